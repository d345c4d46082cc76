#include "ui/fullscreenview.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The rectangle of `screen` and of the screens that overlap it, directly or
// through another, and how many screens these are.
std::pair<QRect, qsizetype> mirrorsOf(const QScreen &screen)
{
    QList<QRect> group{screen.geometry()}, others;
    for (const QScreen *other : screen.virtualSiblings()) {
        if (other != &screen)
            others << other->geometry();
    }
    QRect area = group.first();
    for (qsizetype k = 0; k < group.size(); ++k) {
        const QRect member = group.at(k);
        const auto overlapping = std::stable_partition(others.begin(), others.end(),
                                                       [&](const QRect &other) { return !other.intersects(member); });
        for (auto other = overlapping; other != others.end(); ++other) {
            area |= *other;
            group << *other;
        }
        others.erase(overlapping, others.end());
    }
    return {area, group.size()};
}

} // namespace

FullScreenView::FullScreenView(QWidget *parent) : QWidget(parent, Qt::Window), m_mixing(QRandomGenerator::global()->generate())
{
    setObjectName(u"FullScreenView"_s);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(TickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &FullScreenView::tick);

    // A screen being removed still holds its windows, and a projector
    // plugged in changes several screens in one go: the view covers anew
    // after the events at hand, from the screens as they are then.
    const auto coverAgain = [this] {
        if (isVisible())
            cover(screen());
    };
    const auto watch = [this, coverAgain](QScreen *screen) {
        connect(screen, &QScreen::geometryChanged, this, coverAgain, Qt::QueuedConnection);
    };
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, watch);
    connect(qApp, &QGuiApplication::screenAdded, this, coverAgain, Qt::QueuedConnection);
    connect(qApp, &QGuiApplication::screenRemoved, this, coverAgain, Qt::QueuedConnection);
}

void FullScreenView::showOver(QScreen *screen)
{
    if (screen)
        setScreen(screen);
    cover(this->screen());
}

void FullScreenView::cover(QScreen *on)
{
    if (!on)
        return showFullScreen();
    const auto [area, screens] = mirrorsOf(*on);
    // A window manager fits a full-screen window to one monitor, chosen by
    // its own rule (some take a smaller mirror when it holds most of the
    // window), so only a frameless window covers mirrors of other sizes.
    const Qt::WindowFlags spanning = Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint;
    const bool frameless = screens > 1;
    if (windowFlags().testFlags(spanning) != frameless)
        setWindowFlags(frameless ? windowFlags() | spanning : windowFlags() & ~spanning); // which hides it
    if (frameless) {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setGeometry(area);
        show();
    } else if (!isFullScreen() || geometry() != area) {
        // Full screen again, as not every platform fits a full-screen window
        // to its screen's new size; a new geometry takes it out of the full
        // screen first.
        setGeometry(area);
        showFullScreen();
    }
}

void FullScreenView::showSheet(const ChartSheet &sheet)
{
    m_timer.stop();
    m_sheet = sheet;
    m_shown = sheet;
    setWindowTitle(sheet.title());
    update();
}

void FullScreenView::showDraw(const ChartSheet &sheet)
{
    showSheet(sheet);
    // The seats settle in the order the pupils count them, row by row from
    // the podium.
    m_settleOrder.clear();
    const SeatChart &chart = sheet.chart();
    for (int row = 1; row <= SeatChart::Rows; ++row) {
        for (int column = 1; column <= SeatChart::Columns; ++column) {
            const int seat = chart.indexAtPupil(column, row);
            if (!chart.seat(seat).isEmpty())
                m_settleOrder << seat;
        }
    }
    m_ticks = 0;
    m_timer.start();
    tick();
}

void FullScreenView::tick()
{
    const int settled = std::max(0, ++m_ticks - MixingTicks);
    if (settled >= m_settleOrder.size())
        return endDraw();
    // The seats not settled yet show their names in a new random order.
    SeatChart frame = m_sheet->chart();
    QList<int> mixed = m_settleOrder.mid(settled);
    QList<int> from = mixed;
    std::shuffle(from.begin(), from.end(), m_mixing);
    for (qsizetype k = 0; k < mixed.size(); ++k)
        frame.setSeat(mixed.at(k), m_sheet->chart().seat(from.at(k)));
    m_shown.emplace(frame, m_sheet->title(), m_sheet->date());
    update();
}

void FullScreenView::endDraw()
{
    m_timer.stop();
    m_shown = m_sheet;
    update();
}

void FullScreenView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    if (m_shown)
        m_shown->paint(painter, QRectF(rect()), m_view);
}

bool FullScreenView::event(QEvent *event)
{
    // F11 would otherwise reach the main window's shortcut, which opens this
    // view, since a shortcut of a window works in the windows it owns.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent *>(event)->key() == Qt::Key_F11) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void FullScreenView::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    emit closed();
}

void FullScreenView::keyPressEvent(QKeyEvent *event)
{
    // Esc and F11 leave the view at once, during a draw too: its result is
    // in the window.
    if (drawing() && event->key() != Qt::Key_Escape && event->key() != Qt::Key_F11)
        return endDraw();
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_F11: close(); break;
    case Qt::Key_R:
        if (event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return QWidget::keyPressEvent(event);
        m_view = m_view == ChartSheet::View::FacingPodium ? ChartSheet::View::FromPodium : ChartSheet::View::FacingPodium;
        update();
        break;
    default: QWidget::keyPressEvent(event);
    }
}

void FullScreenView::mousePressEvent(QMouseEvent *event)
{
    if (drawing())
        return endDraw();
    QWidget::mousePressEvent(event);
}
