#pragma once

#include "chart/seatchart.h"
#include "chart/seatrules.h"

#include <QStringList>

class QRandomGenerator;

// The random seating that honours the rules: the names of the occupied seats
// dealt out again so that every active rule holds, or the reason why that
// cannot be done. Empty seats stay empty and where they are; the podium and
// the pending click are not touched.
//
// - Complete: whether an arrangement that meets every active rule exists is
//   decided by counting (SeatFacts) and a satisfiability solver (SeatSolver,
//   CaDiCaL); when one exists it is found.
// - Fair: every such arrangement is equally likely where the valid
//   arrangements can be drawn by random deals or listed; otherwise a random
//   walk whose every step keeps the uniform distribution (SeatSampler) comes
//   as close as the README's measurements say.
// - It differs from the arrangement before whenever another valid one exists.
// - With no active rule and both switches off it is SeatChart::shuffle, and
//   the same random generator gives the same draw.
// - When the rules cannot all hold, clash names a set of them, in list order
//   and then the switches, each of which is needed: drop any one and the
//   rest can be met together. A group of pupils pairwise apart that the room
//   cannot hold is named whole (dropping any one pupil's rules frees it).
//   Should the limit or the time run out while the set is narrowed down, it
//   still cannot hold, but may name a rule more than needed.
// - LimitReached: the solver took more conflicts than the limit allows, or
//   more than a second and a half, before it found an arrangement or showed
//   there is none. Only Drawn gives a new
//   arrangement; the others give the one before.
class SeatDraw
{
public:
    // Work for one draw, the clash included: the search's steps (placements
    // tried) and the solver's conflicts count against it, the solver's at
    // most 200,000 (about a second).
    static constexpr qint64 DefaultStepLimit = 2'000'000;
    enum class Outcome { Drawn, Clash, LimitReached };
    struct Result {
        Outcome outcome = Outcome::Drawn;
        SeatChart::Arrangement arrangement; // Drawn: the new seats, podium as before
        QStringList clash;                  // Clash: the rules' sentences, in list order
    };

    // How a valid arrangement is drawn. Best: as described above. WalkOnly:
    // the random walk from the arrangement the solver finds, alone, so that
    // its own distance from uniform can be measured.
    enum class Method { Best, WalkOnly };

    // The clauses of a draw, as SeatConstraints and SeatSolver take them:
    // the indexes of the rules active in chart, in list order, then the
    // switches that are on.
    static QList<int> activeClauses(const SeatChart &chart, const SeatRules &rules);

    static Result draw(const SeatChart &chart, const SeatRules &rules, QRandomGenerator &random, qint64 stepLimit = DefaultStepLimit,
                       Method method = Method::Best);
};
