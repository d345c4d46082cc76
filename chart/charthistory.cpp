#include "chart/charthistory.h"

#include <QtGlobal>

void ChartHistory::record(const SeatChart::Arrangement &before, const SeatChart &after)
{
    if (before == after.arrangement())
        return;
    m_undo.push_back(before);
    if (m_undo.size() > MaxSteps)
        m_undo.pop_front();
    m_redo.clear();
}

void ChartHistory::undo(SeatChart &chart)
{
    Q_ASSERT(canUndo());
    m_redo.push_back(chart.arrangement());
    chart.setArrangement(m_undo.back());
    m_undo.pop_back();
}

void ChartHistory::redo(SeatChart &chart)
{
    Q_ASSERT(canRedo());
    m_undo.push_back(chart.arrangement());
    chart.setArrangement(m_redo.back());
    m_redo.pop_back();
}
