#include "chart/seatchart.h"

#include <QtGlobal>

#include <algorithm>

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

// The shifts and the rotation read from a copy of the seats, so that no write
// reads a seat that has already been overwritten.

void SeatChart::shiftLeft()
{
    const auto old = m_seats;
    for (int column = 0; column < Columns; ++column) {
        const int from = (column + 1) % Columns;
        for (int row = 0; row < Rows; ++row)
            setSeat(indexOf(column, row), old[static_cast<std::size_t>(indexOf(from, row))]);
    }
}

void SeatChart::shiftRight()
{
    const auto old = m_seats;
    for (int column = 0; column < Columns; ++column) {
        const int from = (column + Columns - 1) % Columns;
        for (int row = 0; row < Rows; ++row)
            setSeat(indexOf(column, row), old[static_cast<std::size_t>(indexOf(from, row))]);
    }
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
