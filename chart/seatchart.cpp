#include "chart/seatchart.h"

#include <QRandomGenerator>
#include <QtGlobal>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

const QString &SeatChart::seat(int index) const
{
    Q_ASSERT(index >= 0 && index < SeatCount);
    return m_seats[static_cast<std::size_t>(index)];
}

void SeatChart::setSeat(int index, const QString &name)
{
    Q_ASSERT(index >= 0 && index < SeatCount);
    m_seats[static_cast<std::size_t>(index)] = name;
}

int SeatChart::pupilColumn(int index) const
{
    return m_podium == PodiumSide::Top ? columnOf(index) + 1 : Columns - columnOf(index);
}

int SeatChart::pupilRow(int index) const
{
    return m_podium == PodiumSide::Top ? rowOf(index) + 1 : Rows - rowOf(index);
}

int SeatChart::indexAtPupil(int column, int row) const
{
    Q_ASSERT(column >= 1 && column <= Columns && row >= 1 && row <= Rows);
    return m_podium == PodiumSide::Top ? indexOf(column - 1, row - 1) : indexOf(Columns - column, Rows - row);
}

QString SeatChart::seatLabel(int index) const
{
    return u"第%1列第%2排"_s.arg(pupilColumn(index)).arg(pupilRow(index));
}

void SeatChart::clearAllSeats()
{
    m_seats.fill(QString());
}

void SeatChart::togglePodium()
{
    m_podium = opposite(m_podium);
}

void SeatChart::clickSeat(int index)
{
    Q_ASSERT(index >= 0 && index < SeatCount);
    if (!m_selection.pending) {
        m_selection = {true, index};
        return;
    }
    const auto first = static_cast<std::size_t>(m_selection.selectedIndex);
    std::swap(m_seats[first], m_seats[static_cast<std::size_t>(index)]);
    m_selection = {};
}

void SeatChart::swapSeats(int first, int second)
{
    Q_ASSERT(first >= 0 && first < SeatCount && second >= 0 && second < SeatCount);
    std::swap(m_seats[static_cast<std::size_t>(first)], m_seats[static_cast<std::size_t>(second)]);
}

// The seats are stored column after column, so a column is a run of Rows
// seats and a shift turns the whole array by one column.

void SeatChart::shiftLeft()
{
    std::rotate(m_seats.begin(), m_seats.begin() + Rows, m_seats.end());
}

void SeatChart::shiftRight()
{
    std::rotate(m_seats.begin(), m_seats.end() - Rows, m_seats.end());
}

void SeatChart::rotate()
{
    // Turning every column upside down and then mirroring the columns left to
    // right moves (c, r) to (4 - c, 6 - r), which in index terms is i -> 34 - i.
    std::reverse(m_seats.begin(), m_seats.end());
    togglePodium();
}

void SeatChart::arrangeExamRoom(const QStringList &names)
{
    clearAllSeats();
    const int count = std::min<int>(int(names.size()), SeatCount);
    for (int n = 0; n < count; ++n) {
        const int row = n / Columns;
        const int place = n % Columns;
        const int column = row % 2 == 0 ? place : Columns - 1 - place;
        setSeat(indexOf(column, row), names.at(n));
    }
    rotate();
}

void SeatChart::shuffle(QRandomGenerator &random)
{
    QList<std::size_t> occupied;
    QStringList names;
    for (std::size_t i = 0; i < m_seats.size(); ++i) {
        if (!m_seats[i].isEmpty()) {
            occupied << i;
            names << m_seats[i];
        }
    }
    const bool canDiffer = std::any_of(names.begin(), names.end(), [&](const QString &name) { return name != names.first(); });
    // Fisher and Yates: every order of the names is equally likely. Drawing
    // again when the names come out as they were keeps the others so.
    QStringList dealt;
    do {
        dealt = names;
        for (qsizetype k = dealt.size() - 1; k > 0; --k)
            dealt.swapItemsAt(k, random.bounded(int(k) + 1));
    } while (canDiffer && dealt == names);
    for (qsizetype k = 0; k < occupied.size(); ++k)
        m_seats[occupied[k]] = dealt[k];
}

void SeatChart::setArrangement(const Arrangement &arrangement)
{
    m_seats = arrangement.seats;
    m_podium = arrangement.podium;
}
