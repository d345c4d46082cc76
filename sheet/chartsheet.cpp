#include "sheet/chartsheet.h"

#include "sheet/chinesefonts.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Every length of the sheet is a fraction of the page, so that a printer
// page, a PDF page at 1200 dpi, a picture and a screen all show the same
// sheet. `unit` is the page's shorter side; heights of the bands are parts of
// the height left inside the margins.
constexpr qreal MarginPerUnit = 0.04;
constexpr qreal RulePerUnit = 0.002;
constexpr qreal AislePerUnit = 0.02; // between two columns of seats
constexpr qreal RowGapPerUnit = 0.012;
constexpr qreal TitleShare = 0.085;
constexpr qreal BandShare = 0.075; // the podium's band and the column numbers' band
constexpr qreal BandGapShare = 0.015;
// A name is as tall as half its cell, or smaller where three characters
// would not fit across; a long one shrinks to a third of that at the least.
constexpr qreal NamePerCellHeight = 0.5;
constexpr qreal NameCharactersAtFullSize = 3.3;
constexpr qreal SmallestNameScale = 0.34;

// Where everything goes on a page. The grid is the same in both views, so
// that cellRect() needs no view: one band above it and one below, the podium
// in one and the column numbers in the other.
struct Layout {
    QRectF title;
    QRectF upperBand;
    QRectF lowerBand;
    QRectF rowNumbers; // left of the grid
    QRectF grid;
    qreal rule = 0;
    qreal aisle = 0;
    qreal rowGap = 0;
    QSizeF cell;

    QRectF cellAt(int column, int row) const
    {
        return {grid.left() + column * (cell.width() + aisle), grid.top() + row * (cell.height() + rowGap), cell.width(), cell.height()};
    }
};

Layout layoutOf(const QRectF &page)
{
    const qreal unit = std::min(page.width(), page.height());
    const QRectF inside = page.adjusted(unit * MarginPerUnit, unit * MarginPerUnit, -unit * MarginPerUnit, -unit * MarginPerUnit);
    const qreal band = inside.height() * BandShare;
    const qreal bandGap = inside.height() * BandGapShare;
    // The row numbers take the width of "第7排" in the band's type, and as
    // much is left free on the right, so that the grid stands in the middle
    // of the page under the title.
    const qreal numbersWidth = band * 1.6;

    Layout layout;
    layout.rule = unit * RulePerUnit;
    layout.aisle = unit * AislePerUnit;
    layout.rowGap = unit * RowGapPerUnit;
    layout.title = QRectF(inside.left(), inside.top(), inside.width(), inside.height() * TitleShare);
    layout.upperBand = QRectF(inside.left(), layout.title.bottom(), inside.width(), band);
    layout.lowerBand = QRectF(inside.left(), inside.bottom() - band, inside.width(), band);
    layout.grid = QRectF(QPointF(inside.left() + numbersWidth, layout.upperBand.bottom() + bandGap),
                         QPointF(inside.right() - numbersWidth, layout.lowerBand.top() - bandGap));
    layout.rowNumbers = QRectF(inside.left(), layout.grid.top(), numbersWidth, layout.grid.height());
    layout.cell = QSizeF((layout.grid.width() - (SeatChart::Columns - 1) * layout.aisle) / SeatChart::Columns,
                         (layout.grid.height() - (SeatChart::Rows - 1) * layout.rowGap) / SeatChart::Rows);
    return layout;
}

// The program's Simplified Chinese face at a height in the painter's
// coordinates, whatever the device's resolution.
QFont sheetFont(qreal pixels, QFont::Weight weight = QFont::Normal)
{
    QFont font = ChineseFonts::interfaceFont(QFont());
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setWeight(weight);
    font.setItalic(false);
    // Grey edges only: colour fringes made for one kind of screen show on
    // paper, in pictures and on a projector.
    // Shaped, unlike the window's buttons: Qt 6.4 does not shape Arabic script
    // under PreferNoShaping, and Uyghur and Kazakh names would show as loose
    // letters. The sheet is drawn only when asked for, so the cost of the
    // font's layout tables does not fall on start-up.
    font.setStyleStrategy(QFont::StyleStrategy((font.styleStrategy() & ~QFont::PreferNoShaping) | QFont::NoSubpixelAntialias));
    return font;
}

// Draws `text` on one line in the middle of `box`, which also clips it (as
// drawText() does unless told otherwise). Too wide, it shrinks to `smallest`
// pixels at the least; still too wide there, it is cut with "…". The
// shrinking repeats because widths do not scale exactly with the size:
// hinting rounds them.
void drawFitted(QPainter &painter, const QRectF &box, const QString &text, QFont font, qreal smallest)
{
    QFontMetricsF metrics(font, painter.device());
    qreal width = metrics.horizontalAdvance(text);
    for (int step = 0; step < 3 && width > box.width() && font.pixelSize() > smallest; ++step) {
        font.setPixelSize(std::max(qRound(smallest), int(font.pixelSize() * box.width() / width)));
        metrics = QFontMetricsF(font, painter.device());
        width = metrics.horizontalAdvance(text);
    }
    painter.setFont(font);
    painter.drawText(box, Qt::AlignCenter | Qt::TextSingleLine, metrics.elidedText(text, Qt::ElideRight, box.width()));
}

// A ruled box whose rule lies inside `box`, so that nothing is drawn
// outside it.
void drawBox(QPainter &painter, const QRectF &box, qreal rule)
{
    painter.setPen(QPen(Qt::black, rule, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box.adjusted(rule / 2, rule / 2, -rule / 2, -rule / 2));
}

// The view in words at the left, the title in the middle, the date at the
// right: a page printed alone, or handed to a substitute, says which way it
// looks at the room.
void drawTitleLine(QPainter &painter, const QRectF &line, const QString &title, const QString &date, const QString &view)
{
    const QFont sideFont = sheetFont(line.height() * 0.36);
    const QFontMetricsF metrics(sideFont, painter.device());
    const qreal dateWidth = date.isEmpty() ? 0 : metrics.horizontalAdvance(date);
    painter.setFont(sideFont);
    painter.drawText(line, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, date);
    painter.drawText(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, view);
    // The title stays in the middle of the page and clear of both.
    const qreal side = std::max(dateWidth, metrics.horizontalAdvance(view)) + line.height() * 0.5;
    const QRectF titleBox = line.adjusted(side, 0, -side, 0);
    drawFitted(painter, titleBox, ChartSheet::lineText(title), sheetFont(line.height() * 0.6, QFont::Bold), line.height() * 0.4);
}

// The podium spans the three middle columns of its band.
void drawPodium(QPainter &painter, const Layout &layout, const QRectF &band)
{
    const QRectF podium(QPointF(layout.cellAt(1, 0).left(), band.top() + band.height() * 0.1),
                        QPointF(layout.cellAt(SeatChart::Columns - 2, 0).right(), band.bottom() - band.height() * 0.1));
    drawBox(painter, podium, layout.rule * 2);
    painter.setFont(sheetFont(podium.height() * 0.6, QFont::Bold));
    painter.drawText(podium, Qt::AlignCenter | Qt::TextSingleLine, u"讲台"_s);
}

// The columns numbered in `band`, the rows left of the grid, as the pupils
// count them: from the seat that each column and row shows in this view.
void drawNumbers(QPainter &painter, const Layout &layout, const QRectF &band, const ChartSheet &sheet, ChartSheet::View view)
{
    painter.setFont(sheetFont(band.height() * 0.45));
    for (int column = 0; column < SeatChart::Columns; ++column) {
        const QRectF cell = layout.cellAt(column, 0);
        painter.drawText(QRectF(cell.left(), band.top(), cell.width(), band.height()), Qt::AlignCenter | Qt::TextSingleLine,
                         u"第%1列"_s.arg(sheet.chart().pupilColumn(sheet.seatAt(view, column, 0))));
    }
    for (int row = 0; row < SeatChart::Rows; ++row) {
        const QRectF cell = layout.cellAt(0, row);
        painter.drawText(QRectF(layout.rowNumbers.left(), cell.top(), layout.rowNumbers.width(), cell.height()),
                         Qt::AlignCenter | Qt::TextSingleLine, u"第%1排"_s.arg(sheet.chart().pupilRow(sheet.seatAt(view, 0, row))));
    }
}

// Each name is a text of its own, clipped to its cell, so that nothing in one
// name (a right-to-left override, a line break) reaches another.
void drawSeats(QPainter &painter, const Layout &layout, const ChartSheet &sheet, ChartSheet::View view)
{
    const qreal padding = layout.cell.height() * 0.1;
    const QFont font = sheetFont(
        std::min(layout.cell.height() * NamePerCellHeight, (layout.cell.width() - 2 * padding) / NameCharactersAtFullSize));
    const qreal smallest = font.pixelSize() * SmallestNameScale;
    for (int column = 0; column < SeatChart::Columns; ++column) {
        for (int row = 0; row < SeatChart::Rows; ++row) {
            const QRectF cell = layout.cellAt(column, row);
            drawBox(painter, cell, layout.rule);
            const QString &name = sheet.chart().seat(sheet.seatAt(view, column, row));
            if (name.isEmpty())
                continue;
            const QRectF inside = cell.adjusted(layout.rule, layout.rule, -layout.rule, -layout.rule);
            drawFitted(painter, inside.adjusted(padding, 0, -padding, 0), ChartSheet::lineText(name), font, smallest);
        }
    }
}

} // namespace

QString ChartSheet::lineText(QString text)
{
    // No installed face draws the control pictures (U+2400 and on): they
    // showed as empty boxes.
    for (QChar &c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u < 0xa0) || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return text;
}

ChartSheet::ChartSheet(const SeatChart &chart, const QString &title, QDate date) : m_chart(chart), m_title(title), m_date(date) {}

QString ChartSheet::titleFor(const QString &classListName)
{
    return classListName.isEmpty() ? u"座位表"_s : classListName + u" 座位表"_s;
}

QString ChartSheet::viewText(View view)
{
    return view == View::FacingPodium ? u"面向讲台（学生视角）"_s : u"从讲台看（教师视角）"_s;
}

QString ChartSheet::dateText(QDate date)
{
    return u"%1年%2月%3日"_s.arg(date.year()).arg(date.month()).arg(date.day());
}

int ChartSheet::seatAt(View view, int column, int row) const
{
    return view == View::FacingPodium ? m_chart.indexAtPupil(column + 1, row + 1)
                                      : m_chart.indexAtPupil(SeatChart::Columns - column, SeatChart::Rows - row);
}

QRectF ChartSheet::cellRect(const QRectF &page, int column, int row) const
{
    return layoutOf(page).cellAt(column, row);
}

void ChartSheet::paint(QPainter &painter, const QRectF &page, View view) const
{
    const Layout layout = layoutOf(page);
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setLayoutDirection(Qt::LeftToRight);
    painter.fillRect(page, Qt::white);
    // A painter begun on a widget starts with the widget's text colour.
    painter.setPen(Qt::black);
    drawTitleLine(painter, layout.title, m_title, m_date.isValid() ? dateText(m_date) : QString(), viewText(view));
    const bool podiumAbove = view == View::FacingPodium;
    drawPodium(painter, layout, podiumAbove ? layout.upperBand : layout.lowerBand);
    drawNumbers(painter, layout, podiumAbove ? layout.lowerBand : layout.upperBand, *this, view);
    drawSeats(painter, layout, *this, view);
    painter.restore();
}

void ChartSheet::paintPages(QPainter &painter, QPagedPaintDevice &device) const
{
    const QRectF page = painter.viewport();
    paint(painter, page, View::FacingPodium);
    device.newPage();
    paint(painter, page, View::FromPodium);
}
