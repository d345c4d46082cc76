#pragma once

#include "chart/seatconstraints.h"

#include <functional>

class QRandomGenerator;

// A complete search for the places that meet a draw's constraints: depth
// first, the item with the fewest seats left first, each item's seats in a
// random order. After every placement the remaining items must still have
// seats for all of them at once (a matching), so that rows too small for
// the pupils who want them are seen at once, and the pairs of deskmates
// still to be seated must find room side by side. Copies of one name are placed
// in seat order, so every arrangement of names is found exactly once.
class SeatSearch
{
public:
    enum class End { Complete, Stopped, OutOfSteps };

    // steps is what is left of the limit; each placement tried takes one.
    SeatSearch(const SeatConstraints &constraints, QRandomGenerator &random, qint64 &steps);

    // Calls found for each solution until it returns false (Stopped), every
    // solution has been found (Complete) or the steps run out (OutOfSteps).
    End run(const std::function<bool(const SeatConstraints::Places &)> &found);

private:
    struct State;
    bool place(State &state, int item, int seat) const;
    bool augment(State &state, int item, SeatConstraints::SeatSet &visited) const;
    bool rematch(State &state) const;
    bool narrow(State &state) const;
    bool roomForPairs(const State &state) const;
    End descend(const State &state);

    const SeatConstraints &m_constraints;
    QRandomGenerator &m_random;
    qint64 &m_steps;
    const std::function<bool(const SeatConstraints::Places &)> *m_found = nullptr;
};
