#pragma once

#include <QPushButton>

class QLabel;

// A seat of the chart: a button that shows the seat's name exactly as it is.
// An "&" shows as "&" (never as a keyboard mnemonic). A name too wide for the
// button is drawn in a smaller font, in steps of ScaleStep down to
// MinimumScale of the window's font; only a name too wide even then is cut
// with an ellipsis, and shown whole in the tool tip. The accessible name
// tells a screen reader where the seat is and who sits there: "第1列第1排，
// 王子涵", or "第1列第1排，空座位".
//
// A seat can be dragged onto another one: pressed, moved further than the
// platform's drag distance and let go over the other seat. The name follows
// the pointer meanwhile, and the drop is reported with draggedTo() instead of
// a click. A press and release that move less stay an ordinary click.
class SeatButton : public QPushButton
{
    Q_OBJECT

public:
    static constexpr double ScaleStep = 0.05;
    static constexpr double MinimumScale = 0.70;

    explicit SeatButton(QWidget *parent = nullptr);

    void setName(const QString &name);
    // Where the seat is, as the teacher counts ("第1列第1排").
    void setPlace(const QString &place);
    const QString &name() const { return m_name; }
    // Ends a drag of this seat's name, if one is on, without a drop.
    void cancelDrag();

signals:
    void draggedTo(SeatButton *target);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // No click while a drag is on.
    bool hitButton(const QPoint &pos) const override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    int captionRoom() const;
    // The font in which the name fits `room`, or the smallest one allowed.
    QFont captionFont(int room) const;
    void updateCaption();

    QString m_place;
    QString m_name;
    int m_captionRoom = -1;   // the width the caption was made for
    bool m_shrinking = false; // while updateCaption() sets the font
    QPoint m_pressedAt;
    bool m_leftPressed = false;  // a left press that may still become a drag
    QLabel *m_dragged = nullptr; // the name under the pointer, while dragged
};
