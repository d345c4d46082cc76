#pragma once

#include "chart/seatchart.h"

#include <deque>

// Undo and redo for the chart: every command that changes the seats or the
// podium is one step. The pending click of a swap is not part of a step, and
// undo and redo leave it as it is. At most MaxSteps steps are kept; the
// oldest goes first.
class ChartHistory
{
public:
    static constexpr int MaxSteps = 100;

    // After a command: `before` is the chart's arrangement before it. A
    // command that changed nothing is no step. A new step drops the steps
    // that were undone.
    void record(const SeatChart::Arrangement &before, const SeatChart &after);

    bool canUndo() const { return !m_undo.empty(); }
    bool canRedo() const { return !m_redo.empty(); }
    // Only when canUndo() or canRedo().
    void undo(SeatChart &chart);
    void redo(SeatChart &chart);

private:
    std::deque<SeatChart::Arrangement> m_undo; // the latest last
    std::deque<SeatChart::Arrangement> m_redo; // the next to redo last
};
