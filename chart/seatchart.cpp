#include "chart/seatchart.h"

#include <QtGlobal>

#include <algorithm>
#include <utility>

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
