#pragma once

#include "chart/seatconstraints.h"

#include <QList>

class QRandomGenerator;

// A random walk over the arrangements that meet a draw's constraints whose
// every step keeps the uniform distribution (a heat-bath walk): a step
// chooses a block of seats at random, whatever their names, and seats the
// pupils of the block again, uniformly among all the ways of seating them
// there that meet the rules with everyone else where they are. A block is
// two or three whole rows, a row and two more seats, two to five seats
// anywhere, or the seats of up to three rows of deskmates wherever they sit
// (chosen by who they are, so that where they sit decides nothing): pairs
// and chains of deskmates change rows, and rows that must all move change
// places together. The walk comes as close to uniform as its number of
// steps allows.
//
// The ways are drawn by dealing the block's pupils at random until a deal
// fits, then by listing them all; a block with more ways than a listing
// holds stays as it is. Either choice depends only on the pupils outside
// the block, which keeps each step fair.
class SeatSampler
{
public:
    SeatSampler(const SeatConstraints &constraints, const SeatConstraints::Places &start, QRandomGenerator &random);

    const SeatConstraints::Places &places() const { return m_places; }
    void step();

private:
    SeatConstraints::SeatSet chooseBlock();
    void reseat(SeatConstraints::SeatSet block);
    void listWays(int k, quint64 used, QList<SeatConstraints::Places> &ways, int &nodes);
    bool fitsSoFar(int item, int k) const;
    // Copies of one name in seat order, as the listing counts them.
    void sortCopies();

    const SeatConstraints &m_constraints;
    SeatConstraints::Places m_places;
    QRandomGenerator &m_random;
    std::array<qint8, SeatChart::SeatCount> m_holder{};
    std::array<qint8, SeatChart::SeatCount> m_firstCopy{}; // item -> the first item of its name
    QList<int> m_seats; // the seats whose pupils may move
    std::array<qint8, SeatChart::SeatCount> m_rank{}; // item -> its place in a listing's order
    QList<quint64> m_groups; // rows of deskmates (sets of items), none fixed
    // The block being reseated: its seats, the items in them, and each
    // item's place in it (-1 outside).
    int m_count = 0;
    std::array<qint8, SeatChart::SeatCount> m_blockSeats{}, m_blockItems{}, m_slot{};
};
