#pragma once

#include <QFont>

// The podium markers and the About window ask for 宋体 (SimSun). Where the
// system has no such font, a CJK serif font stands in for it rather than the
// desktop's sans-serif default.
class SongTiFont
{
public:
    static QFont font(int pointSize, int weight = QFont::Normal);
};
