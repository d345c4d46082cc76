#pragma once

#include "chart/seatchart.h"

#include <QDate>
#include <QFont>
#include <QHash>
#include <QList>
#include <QRectF>
#include <QString>

class QPainter;
class QPagedPaintDevice;

// The chart drawn as a printed seating chart, on any paint device and at any
// size: a title line with the view in words on the left and the date
// (2026年12月7日) on the right, the 5 × 7 seats as cells
// with each name in large type (an empty seat is a blank cell), the podium as
// a bar labelled 讲台 on its side, and the columns and rows numbered as the
// pupils count them (SeatChart::pupilColumn and pupilRow).
//
// Two views: FacingPodium puts the podium at the top, as the pupils see the
// room; FromPodium puts it at the bottom, as the teacher sees it from the
// podium. Whichever side the chart's podium is on, each view puts it where its
// name says, with the columns mirrored as rotating the room does.
//
// A name is drawn as plain text in the program's Simplified Chinese face, in
// one size for every name that fits. A longer one goes onto two lines, after
// a middle dot (阿卜杜热合曼· / 买买提), else at a space, else between two
// characters, whichever way gives it the larger type; it shrinks only as far
// as it must, and is cut with "…" only where two lines at the smallest size
// cannot hold it. Its characters, right-to-left or control ones included,
// stay inside its cell. What is drawn does not depend on the desktop's
// locale.
class ChartSheet
{
public:
    enum class View { FacingPodium, FromPodium };

    // One text as the sheet drew it: the font it asked for, and the
    // characters, a line of a name, the title or a number.
    struct DrawnText {
        QFont font;
        QString text;
    };

    // Keeps a copy of the chart as it is now.
    ChartSheet(const SeatChart &chart, const QString &title, QDate date);

    // "高一3班 座位表" for the class list 高一3班, "座位表" for no name.
    static QString titleFor(const QString &classListName);
    // "2026年12月7日".
    static QString dateText(QDate date);
    // The view in words, as each page names it beside the title:
    // "面向讲台（学生视角）", "从讲台看（教师视角）".
    static QString viewText(View view);
    // A name or title on one line, as the sheet and the pasted table show it:
    // tabs and line breaks become spaces, since they would start a new cell
    // or row, and so do other control characters, which no face draws.
    static QString lineText(QString text);

    // The seat shown in the cell at (column, row) of the view, both counted
    // from the top left as drawn.
    int seatAt(View view, int column, int row) const;
    // The cell of that seat when the sheet fills `page`.
    QRectF cellRect(const QRectF &page, int column, int row) const;

    // Draws the sheet to fill `page`, in the painter's coordinates. Each
    // text drawn is added to `drawn`, when given, in the order drawn.
    void paint(QPainter &painter, const QRectF &page, View view, QList<DrawnText> *drawn = nullptr) const;
    // Both views, FacingPodium first, one page each, on a painter already
    // begun on `device`.
    void paintPages(QPainter &painter, QPagedPaintDevice &device, QList<DrawnText> *drawn = nullptr) const;

    const SeatChart &chart() const { return m_chart; }
    const QString &title() const { return m_title; }
    QDate date() const { return m_date; }

private:
    SeatChart m_chart;
    QString m_title;
    QDate m_date;
    // How each name was laid out, its size and lines, by the name and its
    // cell: the second page lays out the same names in the same cells.
    mutable QHash<QString, std::pair<int, QStringList>> m_laidOut;
};
