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
// - Complete: when an arrangement that meets every active rule exists, and the
//   search stays within its limit, one is found.
// - Fair: every such arrangement is about equally likely (exactly where the
//   valid arrangements can be listed or drawn by rejection; otherwise by a
//   random walk over them, see the README for the measured distance).
// - It differs from the arrangement before whenever another valid one exists.
// - With no active rule and both switches off it is SeatChart::shuffle.
// - When the rules cannot all hold, clash names a minimal set of them: drop any
//   one and the rest can be met together. (Should the limit run out while
//   that set is narrowed down, the set is still one that cannot hold, but
//   may name a rule more than needed.)
// - LimitReached: the search took more steps than the limit allows before it
//   found an arrangement or showed there is none. Only Drawn gives a new
//   arrangement; the others give the one before.
class SeatDraw
{
public:
    // Search steps (placements tried) for one draw, the clash included.
    static constexpr qint64 DefaultStepLimit = 2'000'000;
    enum class Outcome { Drawn, Clash, LimitReached };
    struct Result {
        Outcome outcome = Outcome::Drawn;
        SeatChart::Arrangement arrangement; // Drawn: the new seats, podium as before
        QStringList clash;                  // Clash: the rules' sentences, in list order
    };

    // How a valid arrangement is drawn. Best: as described above. WalkOnly:
    // the random walk from the first arrangement the search finds, alone,
    // so that its own distance from uniform can be measured.
    enum class Method { Best, WalkOnly };

    static Result draw(const SeatChart &chart, const SeatRules &rules, QRandomGenerator &random, qint64 stepLimit = DefaultStepLimit,
                       Method method = Method::Best);
};
