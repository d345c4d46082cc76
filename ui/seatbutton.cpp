#include "ui/seatbutton.h"

#include "sheet/chinesefonts.h"

#include <QApplication>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

SeatButton::SeatButton(QWidget *parent) : QPushButton(parent) {}

void SeatButton::setPlace(const QString &place)
{
    m_place = place;
    setAccessibleName(m_place + u"，"_s + (m_name.isEmpty() ? u"空座位"_s : m_name));
}

void SeatButton::setName(const QString &name)
{
    if (name == m_name)
        return;
    m_name = name;
    updateCaption();
}

void SeatButton::resizeEvent(QResizeEvent *event)
{
    QPushButton::resizeEvent(event);
    // The first caption, an empty seat's included, is made when the button
    // gets its first size, as it is shown.
    if (captionRoom() != m_captionRoom)
        updateCaption();
}

void SeatButton::changeEvent(QEvent *event)
{
    QPushButton::changeEvent(event);
    if ((event->type() == QEvent::FontChange && !m_shrinking) || event->type() == QEvent::StyleChange)
        updateCaption();
}

int SeatButton::captionRoom() const
{
    QStyleOptionButton option;
    option.initFrom(this);
    const QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
    const int margin = style()->pixelMetric(QStyle::PM_ButtonMargin, &option, this);
    return std::max(0, contents.width() - margin);
}

QFont SeatButton::captionFont(int room) const
{
    // The window's font, smaller step by step until the name fits, but not
    // below MinimumScale of it.
    QFont natural = parentWidget() ? parentWidget()->font() : QFont();
    // Arabic script and the like are shaped only when the font allows it.
    if (ChineseFonts::needsShaping(m_name))
        natural.setStyleStrategy(QFont::StyleStrategy(natural.styleStrategy() & ~QFont::PreferNoShaping));
    QFont font = natural;
    for (int step = 1; QFontMetrics(font).horizontalAdvance(m_name) > room && 1.0 - step * ScaleStep >= MinimumScale - 1e-9; ++step) {
        const double scale = 1.0 - step * ScaleStep;
        if (natural.pointSizeF() > 0)
            font.setPointSizeF(natural.pointSizeF() * scale);
        else
            font.setPixelSize(std::max(1, qRound(natural.pixelSize() * scale)));
    }
    return font;
}

void SeatButton::updateCaption()
{
    m_captionRoom = captionRoom();
    const QFont font = captionFont(m_captionRoom);
    m_shrinking = true;
    setFont(parentWidget() && font == parentWidget()->font() ? QFont() : font);
    m_shrinking = false;
    const QString shown = QFontMetrics(font).elidedText(m_name, Qt::ElideRight, m_captionRoom);

    QString caption = shown;
    setText(caption.replace(u'&', u"&&"_s));
    // A tool tip that looks like markup is read as such: the name goes in
    // escaped.
    setToolTip(shown == m_name ? QString() : Qt::convertFromPlainText(m_name));
    setPlace(m_place);
}

void SeatButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !m_dragged) {
        m_pressedAt = event->position().toPoint();
        m_leftPressed = true;
    }
    QPushButton::mousePressEvent(event);
}

void SeatButton::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (!m_dragged && m_leftPressed && (event->buttons() & Qt::LeftButton) && !m_name.isEmpty()
        && (at - m_pressedAt).manhattanLength() >= QApplication::startDragDistance()) {
        // A label of the window's own rather than a QDrag: the seat can only
        // go to another seat of this window.
        m_dragged = new QLabel(window());
        m_dragged->setTextFormat(Qt::PlainText);
        m_dragged->setText(m_name);
        m_dragged->setFont(font());
        m_dragged->setFrameStyle(QFrame::Box);
        m_dragged->setAutoFillBackground(true);
        m_dragged->setAttribute(Qt::WA_TransparentForMouseEvents);
        m_dragged->adjustSize();
        m_dragged->show();
        setDown(false);
    }
    if (m_dragged) {
        m_dragged->move(mapTo(window(), at) - QPoint(m_dragged->width() / 2, m_dragged->height() / 2));
        m_dragged->raise();
        return;
    }
    QPushButton::mouseMoveEvent(event);
}

void SeatButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QPushButton::mouseReleaseEvent(event);
    m_leftPressed = false;
    auto *target = qobject_cast<SeatButton *>(window()->childAt(mapTo(window(), event->position().toPoint())));
    // The base class ends the press; while a drag is on, hitButton() keeps
    // that from being a click.
    QPushButton::mouseReleaseEvent(event);
    if (m_dragged) {
        delete std::exchange(m_dragged, nullptr);
        if (target && target != this)
            emit draggedTo(target);
    }
}

bool SeatButton::hitButton(const QPoint &pos) const
{
    return !m_dragged && QPushButton::hitButton(pos);
}

void SeatButton::cancelDrag()
{
    m_leftPressed = false;
    delete std::exchange(m_dragged, nullptr);
}

void SeatButton::keyPressEvent(QKeyEvent *event)
{
    if (m_dragged && event->key() == Qt::Key_Escape)
        return cancelDrag();
    QPushButton::keyPressEvent(event);
}

void SeatButton::focusOutEvent(QFocusEvent *event)
{
    // A menu or a dialog takes the mouse: its release never comes here.
    if (m_dragged)
        cancelDrag();
    QPushButton::focusOutEvent(event);
}

void SeatButton::hideEvent(QHideEvent *event)
{
    cancelDrag();
    QPushButton::hideEvent(event);
}
