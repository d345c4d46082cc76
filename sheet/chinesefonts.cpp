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
    // Chinese needs no shaping; without it Qt keeps no copies of the large
    // CJK face's layout tables, about 1 MiB at start-up. Latin text loses its
    // kerning, and scripts that must be shaped are not: a text in one of them
    // needs a font without this strategy (needsShaping()).
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

bool ChineseFonts::needsShaping(QStringView text)
{
    for (const char32_t c : text.toUcs4()) {
        switch (QChar::script(c)) {
        case QChar::Script_Common:
        case QChar::Script_Inherited:
        case QChar::Script_Unknown:
        case QChar::Script_Latin:
        case QChar::Script_Greek:
        case QChar::Script_Cyrillic:
        case QChar::Script_Han:
        case QChar::Script_Bopomofo:
        case QChar::Script_Hiragana:
        case QChar::Script_Katakana:
        case QChar::Script_Hangul: break;
        default: return true;
        }
    }
    return false;
}
