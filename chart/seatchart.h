#pragma once

#include "chart/podiumside.h"
#include "chart/swapselection.h"

#include <QString>
#include <QStringList>

#include <array>

class QRandomGenerator;

// The seating chart of one classroom: 35 seat names in 5 columns of 7 rows,
// the podium side and the pending first click of a swap.
//
// Seat index = column * 7 + row; column 0 is the leftmost column as drawn,
// row 0 the top row (next to the upper podium marker). An empty string is an
// empty seat. Every rearrangement is a permutation of the 35 names: nothing is
// lost, duplicated or changed, and none of them touches the swap selection.
// A new chart is empty with the podium at the bottom.
class SeatChart
{
public:
    static constexpr int Columns = 5;
    static constexpr int Rows = 7;
    static constexpr int SeatCount = Columns * Rows;

    // The names in the seats and the podium side: all of the chart but the
    // pending click.
    struct Arrangement {
        std::array<QString, SeatCount> seats;
        PodiumSide podium = PodiumSide::Bottom;

        friend bool operator==(const Arrangement &, const Arrangement &) = default;
    };

    static constexpr int indexOf(int column, int row) { return column * Rows + row; }
    static constexpr int columnOf(int index) { return index / Rows; }
    static constexpr int rowOf(int index) { return index % Rows; }

    // Seats as the pupils count them, from 1: 第1排 is the row next to the
    // podium, 第1列 the column on the pupils' left as they face it. With the
    // podium at the top that is row 0 and column 0 as drawn, at the bottom
    // row 6 and column 4. Rotating changes no seat's number; moving the
    // podium does.
    int pupilColumn(int index) const;
    int pupilRow(int index) const;
    // The seat index of a pupil column 1..5 and row 1..7.
    int indexAtPupil(int column, int row) const;
    // "第2列第3排": how a seat is named to the teacher.
    QString seatLabel(int index) const;

    // index must be 0..34.
    const QString &seat(int index) const;
    void setSeat(int index, const QString &name);
    void clearAllSeats();

    PodiumSide podiumSide() const { return m_podium; }
    void setPodiumSide(PodiumSide side) { m_podium = side; }
    void togglePodium();

    // The two-click swap. The first click remembers the position; the second
    // swaps the two seats (a seat with itself when the same one is clicked
    // twice) and clears the selection.
    void clickSeat(int index);
    const SwapSelection &swapSelection() const { return m_selection; }
    // Exchanges the names of two seats, as two clicks do, but leaves the
    // pending click as it is.
    void swapSeats(int first, int second);
    void resetSwapSelection() { m_selection = {}; }

    // Every column moves one place left; the leftmost wraps to the right edge.
    void shiftLeft();
    // Every column moves one place right; the rightmost wraps to the left edge.
    void shiftRight();
    // Turns the room by 180 degrees (seat i moves to 34 - i) and moves the
    // podium to the other side.
    void rotate();

    // Seats an examination: empties every seat, lays the given names (at most
    // the first 35 are used; an empty string leaves its place empty) row by row
    // from the top, left to right in rows 0, 2, 4, 6 and right to left in rows
    // 1, 3, 5, then rotates. The first examinee ends at index 34, next to the
    // podium once it has moved.
    void arrangeExamRoom(const QStringList &names);

    // Deals the names out to the occupied seats at random, every arrangement
    // of them equally likely; empty seats stay empty and where they are. When
    // at least two different names are seated the result always differs from
    // the arrangement before. The podium and the pending click stay.
    void shuffle(QRandomGenerator &random);

    Arrangement arrangement() const { return {m_seats, m_podium}; }
    // Leaves the pending click as it is.
    void setArrangement(const Arrangement &arrangement);

    friend bool operator==(const SeatChart &, const SeatChart &) = default;

private:
    std::array<QString, SeatCount> m_seats;
    PodiumSide m_podium = PodiumSide::Bottom;
    SwapSelection m_selection;
};
