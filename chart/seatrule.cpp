#include "chart/seatrule.h"

#include "chart/seatchart.h"
#include "chart/writingdirection.h"

using namespace Qt::StringLiterals;

namespace {

// A name keeps its writing direction to itself: one that holds right-to-left
// letters or direction controls goes between U+2068 and U+2069, so that
// neither it nor the sentence around it is turned round. Other names, all
// Chinese and Latin ones among them, are shown as they are.
QString shown(const QString &name)
{
    return WritingDirection::setsOwn(name) ? u"\u2068"_s + name + u"\u2069"_s : name;
}

} // namespace

QStringList SeatRule::names() const
{
    return pairsPupils() ? QStringList{first, second} : QStringList{first};
}

bool SeatRule::isValid() const
{
    if (first.isEmpty())
        return false;
    switch (kind) {
    case Kind::Fixed: return column >= 1 && column <= SeatChart::Columns && row >= 1 && row <= SeatChart::Rows;
    case Kind::FrontRows:
    case Kind::BackRows: return count >= 1 && count <= MaxRowCount;
    case Kind::Apart:
    case Kind::Together: return !second.isEmpty() && second != first;
    }
    return false;
}

QString SeatRule::sentence() const
{
    // arg() with several values fills them in one pass, so that a "%2" in a
    // name stays as it is.
    const QString number = QString::number(kind == Kind::Fixed ? column : count);
    switch (kind) {
    case Kind::Fixed: return u"%1 固定在第%2列第%3排"_s.arg(shown(first), number, QString::number(row));
    case Kind::FrontRows: return u"%1 坐前%2排"_s.arg(shown(first), number);
    case Kind::BackRows: return u"%1 坐后%2排"_s.arg(shown(first), number);
    case Kind::Apart: return u"%1 和 %2 不相邻"_s.arg(shown(first), shown(second));
    case Kind::Together: return u"%1 和 %2 同桌"_s.arg(shown(first), shown(second));
    }
    return {};
}
