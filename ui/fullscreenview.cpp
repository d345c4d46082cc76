#include "ui/fullscreenview.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

FullScreenView::FullScreenView(QWidget *parent) : QWidget(parent, Qt::Window), m_mixing(QRandomGenerator::global()->generate())
{
    setObjectName(u"FullScreenView"_s);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_timer.setInterval(TickMilliseconds);
    connect(&m_timer, &QTimer::timeout, this, &FullScreenView::tick);
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
