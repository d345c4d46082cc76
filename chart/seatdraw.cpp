#include "chart/seatdraw.h"

SeatDraw::Result SeatDraw::draw(const SeatChart &chart, const SeatRules &rules, QRandomGenerator &random, qint64 stepLimit)
{
    Q_UNUSED(rules);
    Q_UNUSED(stepLimit);
    SeatChart drawn = chart;
    drawn.shuffle(random);
    return {Outcome::Drawn, drawn.arrangement(), {}};
}
