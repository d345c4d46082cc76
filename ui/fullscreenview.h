#pragma once

#include "sheet/chartsheet.h"

#include <QRandomGenerator>
#include <QTimer>
#include <QWidget>

#include <optional>

class QScreen;

// The chart as large as a screen allows, for the screen at the front of the
// classroom: a sheet drawn full screen, in the FacingPodium view at first.
// Esc and F11 close it; R turns it by 180 degrees (the other view) and
// changes nothing else.
//
// It shows the sheet it was given last. showDraw() shows a random seating
// being drawn instead: for about two seconds the names mix over the occupied
// seats, then they settle seat by seat into the sheet given, which was decided
// before. Any other key or click ends the show at that sheet, as does the
// next sheet given; Esc and F11 still close the view. Only what is drawn changes, never a chart.
//
// showOver() shows it over a screen and every screen that overlaps it, as a
// projector that mirrors a laptop's screen does (the X server reports both,
// at the same place and each in its own size): the view covers the smallest
// rectangle holding them all, that of the largest mirror when they share a
// corner. Screens that only touch, side by side, are not covered. While the
// view is open it covers anew whenever a screen is added, removed or changes
// its geometry, starting from the screen it is on then. A screen that nothing
// overlaps gets the window manager's full screen (isFullScreen()); a group of
// screens gets a frameless window that stays on top at their rectangle, as
// window managers fit a full screen to one monitor.
class FullScreenView : public QWidget
{
    Q_OBJECT

public:
    explicit FullScreenView(QWidget *parent = nullptr);

    void showOver(QScreen *screen);
    void showSheet(const ChartSheet &sheet);
    void showDraw(const ChartSheet &sheet);

    ChartSheet::View view() const { return m_view; }
    bool drawing() const { return m_timer.isActive(); }
    // The names drawn at this moment.
    const SeatChart &shownChart() const { return m_shown->chart(); }

    // How long the names mix, and how often the picture changes.
    static constexpr int MixingTicks = 50;
    static constexpr int TickMilliseconds = 40;

signals:
    // The teacher closed the view (not sent when its window is deleted).
    void closed();

protected:
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void cover(QScreen *on);
    void tick();
    void endDraw();

    std::optional<ChartSheet> m_sheet; // the one to show
    std::optional<ChartSheet> m_shown; // what is drawn, the same unless drawing
    ChartSheet::View m_view = ChartSheet::View::FacingPodium;
    QTimer m_timer;
    int m_ticks = 0;
    QList<int> m_settleOrder; // occupied seats, in the pupils' reading order
    QRandomGenerator m_mixing;
};
