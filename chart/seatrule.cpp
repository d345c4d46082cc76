#include "chart/seatrule.h"

#include "chart/seatchart.h"

using namespace Qt::StringLiterals;

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
    switch (kind) {
    case Kind::Fixed: return u"%1 固定在第%2列第%3排"_s.arg(first).arg(column).arg(row);
    case Kind::FrontRows: return u"%1 坐前%2排"_s.arg(first).arg(count);
    case Kind::BackRows: return u"%1 坐后%2排"_s.arg(first).arg(count);
    case Kind::Apart: return u"%1 和 %2 不相邻"_s.arg(first, second);
    case Kind::Together: return u"%1 和 %2 同桌"_s.arg(first, second);
    }
    return {};
}
