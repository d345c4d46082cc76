#include "ui/songtifont.h"

#include <QStringList>

using namespace Qt::StringLiterals;

QFont SongTiFont::font(int pointSize, int weight)
{
    QFont font(u"宋体"_s, pointSize, weight);
    font.setFamilies(QStringList{u"宋体"_s, u"SimSun"_s, u"Noto Serif CJK SC"_s, u"AR PL UMing CN"_s});
    font.setStyleHint(QFont::Serif);
    return font;
}
