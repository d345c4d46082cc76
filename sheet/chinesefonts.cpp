#include "sheet/chinesefonts.h"

#include <QFontDatabase>

using namespace Qt::StringLiterals;

QStringList ChineseFonts::installed(const QStringList &wanted)
{
    // Qt takes the first of the families that the font database has. When the
    // first one is missing, though, it asks fontconfig for that family's
    // substitutes before it looks at the others: a sort of every installed
    // font, once per script, that costs more than the rest of the look-up
    // together and is thrown away as soon as a later family matches. Listing
    // only the families the database has leads to the same font without it.
    // With none of them installed the list stays whole, so the stand-in comes
    // from fontconfig's substitutes for the first one.
    QStringList families;
    for (const QString &family : wanted) {
        if (!QFontDatabase::styles(family).isEmpty())
            families << family;
    }
    return families.isEmpty() ? wanted : families;
}

QFont ChineseFonts::interfaceFont(const QFont &base)
{
    QFont font = base;
    font.setFamilies(installed({u"Noto Sans CJK SC"_s, u"Source Han Sans SC"_s, u"Source Han Sans CN"_s, u"WenQuanYi Micro Hei"_s,
                                u"WenQuanYi Zen Hei"_s, u"Droid Sans Fallback"_s}));
    // Chinese needs no shaping, and scripts that do (Arabic, Brahmic) are
    // still shaped; without it Qt keeps no copies of the large CJK face's
    // layout tables, about 1 MiB at start-up. Latin text loses its kerning.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

QFont ChineseFonts::songTi(int pointSize, int weight)
{
    // 宋体 is SimSun's Chinese name; the database lists that font as SimSun,
    // which follows 宋体 here.
    const QStringList families = installed({u"宋体"_s, u"SimSun"_s, u"Noto Serif CJK SC"_s, u"AR PL UMing CN"_s});
    QFont font(families.first(), pointSize, weight);
    font.setFamilies(families);
    // The texts in this font are short Chinese words with nothing to shape;
    // without shaping Qt does not copy the font's large layout tables.
    font.setStyleHint(QFont::Serif, QFont::PreferNoShaping);
    return font;
}
