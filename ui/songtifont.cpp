#include "ui/songtifont.h"

#include <QFontDatabase>
#include <QStringList>

using namespace Qt::StringLiterals;

QFont SongTiFont::font(int pointSize, int weight)
{
    // Qt takes the first of the families that the font database has. When the
    // first one is missing, though, it asks fontconfig for that family's
    // substitutes before it looks at the others: a sort of every installed
    // font, once per script, that costs more than the rest of the look-up
    // together and is thrown away as soon as a later family matches. Listing
    // only the families the database has leads to the same font without it.
    // 宋体 is SimSun's Chinese name; the database lists that font as SimSun,
    // which follows 宋体 here. With none of them installed the list stays
    // whole, so the stand-in comes from fontconfig's substitutes for 宋体 as
    // before.
    const QStringList wanted{u"宋体"_s, u"SimSun"_s, u"Noto Serif CJK SC"_s, u"AR PL UMing CN"_s};
    QStringList families;
    for (const QString &family : wanted) {
        if (!QFontDatabase::styles(family).isEmpty())
            families << family;
    }
    if (families.isEmpty())
        families = wanted;

    QFont font(families.first(), pointSize, weight);
    font.setFamilies(families);
    // The texts in this font are short Chinese words with nothing to shape;
    // without shaping Qt does not copy the font's large layout tables, and
    // the characters keep the forms of the Simplified Chinese face rather
    // than changing with the desktop's language.
    font.setStyleHint(QFont::Serif, QFont::PreferNoShaping);
    return font;
}
