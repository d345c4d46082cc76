#include "sheet/chartsheet.h"

#include "chart/writingdirection.h"
#include "sheet/chinesefonts.h"

#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextBoundaryFinder>
#include <QTextLayout>

#include <algorithm>
#include <optional>

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

// The painter, and the list of what it drew when one is kept.
struct Canvas {
    QPainter &painter;
    QList<ChartSheet::DrawnText> *drawn;

    // Draws `text` in `box` with `flags`, in the painter's font.
    void text(const QRectF &box, int flags, const QString &text) const
    {
        painter.drawText(box, flags, text);
        if (drawn && !text.isEmpty())
            drawn->append({painter.font(), text});
    }
};

// The pixel size, `largest` at the most and `smallest` at the least, at which
// the widest of `lines` fits `width`; whether it fits there. The shrinking
// repeats because widths do not scale exactly with the size: hinting rounds
// them.
std::pair<int, bool> sizeToFit(QFont font, const QStringList &lines, qreal width, int largest, int smallest, const QPaintDevice *device)
{
    const auto widest = [&] {
        const QFontMetricsF metrics(font, device);
        qreal most = 0;
        for (const QString &line : lines)
            most = std::max(most, metrics.horizontalAdvance(line));
        return most;
    };
    font.setPixelSize(std::max(largest, 1));
    qreal wide = widest();
    for (int step = 0; step < 3 && wide > width && font.pixelSize() > smallest; ++step) {
        font.setPixelSize(std::max({smallest, 1, int(font.pixelSize() * width / wide)}));
        wide = widest();
    }
    return {font.pixelSize(), wide <= width};
}

// Draws `text` on one line in the middle of `box`, shrunk to fit it down to
// `smallest` pixels, below which it is cut with "…".
void drawFitted(const Canvas &canvas, const QRectF &box, const QString &text, QFont font, qreal smallest)
{
    const auto [size, fits] = sizeToFit(font, {text}, box.width(), font.pixelSize(), qRound(smallest), canvas.painter.device());
    font.setPixelSize(size);
    canvas.painter.setFont(font);
    canvas.text(box, Qt::AlignCenter | Qt::TextSingleLine,
                fits ? text : QFontMetricsF(font, canvas.painter.device()).elidedText(text, Qt::ElideRight, box.width()));
}

// The middle dots that join the parts of a transliterated name.
bool isMiddleDot(QChar c)
{
    return c == u'\u00b7' || c == u'\u2027' || c == u'\u30fb' || c == u'\uff65' || c == u'\u2022';
}

// A name on one line or two, at one size.
struct NameLayout {
    int size = 0;
    QStringList lines;
};

// Lines of a wrapped name are this many times their size apart: closer than
// the face's own spacing, which leaves room for accents above and below that
// names in hanzi do not have.
constexpr qreal WrappedLineSpacing = 1.15;

// A space that a line may end at; not the no-break spaces.
bool breaksAt(QChar c)
{
    return c.isSpace() && c != u'\u00a0' && c != u'\u2007' && c != u'\u202f';
}

// The two lines of `text` broken at the best place of each kind that has
// one, in this order: after a middle dot, at a space (which goes), between
// two characters. Of several places of a kind, the one whose longer line is
// shortest. A name in one direction is shaped once and the lines' widths
// read from it; measuring each pair of lines anew cost the PDF a millisecond
// a name. A name that changes direction is measured line by line, since its
// parts do not stand in the line in the order of its characters.
enum class BreakKind { AtDot, AtSpace, Anywhere };

struct TwoLines {
    BreakKind kind;
    QStringList lines;
};

QList<TwoLines> twoLineChoices(const QString &text, const QFont &font, const QPaintDevice *device)
{
    QTextLayout layout(text, font, const_cast<QPaintDevice *>(device));
    layout.beginLayout();
    const QTextLine whole = layout.createLine();
    layout.endLayout();
    const QFontMetricsF metrics(font, device);
    const bool bidi = WritingDirection::setsOwn(text);
    const auto width = [&](qsizetype from, qsizetype to) {
        return bidi ? metrics.horizontalAdvance(text.mid(from, to - from)) : std::abs(whole.cursorToX(int(to)) - whole.cursorToX(int(from)));
    };
    // Nothing, or nothing but middle dots and spaces: no line of a name.
    const auto noLine = [&text](qsizetype from, qsizetype to) {
        return std::all_of(text.begin() + from, text.begin() + to, [](QChar c) { return isMiddleDot(c) || c.isSpace(); });
    };

    struct Best {
        qreal longer = 0;
        qsizetype end = -1, start = -1; // of the first line, of the second
    } dots, spaces, anywhere;
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    for (qsizetype at = graphemes.toNextBoundary(); at > 0 && at < text.size(); at = graphemes.toNextBoundary()) {
        qsizetype end = at, start = at;
        while (end > 0 && text.at(end - 1).isSpace())
            --end;
        while (start < text.size() && text.at(start).isSpace())
            ++start;
        if (noLine(0, end) || noLine(start, text.size()))
            continue;
        const qreal longer = std::max(width(0, end), width(start, text.size()));
        for (Best *kind : {&anywhere, isMiddleDot(text.at(at - 1)) ? &dots : nullptr,
                           breaksAt(text.at(at)) && !text.at(at - 1).isSpace() ? &spaces : nullptr}) {
            if (kind && (kind->end < 0 || longer < kind->longer))
                *kind = {longer, end, start};
        }
    }
    QList<TwoLines> best;
    for (const auto &[kind, place] : {std::pair(BreakKind::AtDot, dots), std::pair(BreakKind::AtSpace, spaces),
                                      std::pair(BreakKind::Anywhere, anywhere)}) {
        if (place.end > 0)
            best << TwoLines{kind, {text.left(place.end).trimmed(), text.mid(place.start).trimmed()}};
    }
    return best;
}

// A break at a middle dot wins unless another gives type this much larger:
// 努尔·阿卜杜热合曼买买提江 would otherwise be a third smaller than its
// neighbours. A break at a space always wins over one inside a word.
constexpr qreal PreferredBreakShare = 0.8;

// How a name fills `box`: on one line at `font`'s size if it fits; else on
// two lines or one, whichever fits with the larger type, one on a tie; else,
// at `smallest`, as much as two lines hold, the second cut with "…".
NameLayout layOutName(QString text, const QFont &font, int smallest, const QRectF &box, const QPaintDevice *device)
{
    // No character a teacher could see is narrower than a tenth of its size,
    // so two lines at the smallest size hold no more than this many; the
    // rest would only cost time, which grows with the square of the length.
    const qsizetype most = qsizetype(2 * box.width() / std::max(1, smallest) * 10) + 1;
    if (text.size() > most) {
        QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
        graphemes.setPosition(most);
        text = text.left(graphemes.isAtBoundary() ? most : graphemes.toPreviousBoundary()) + u'…';
    }
    const int full = font.pixelSize();
    const auto [oneSize, oneFits] = sizeToFit(font, {text}, box.width(), full, smallest, device);
    if (oneFits && oneSize == full)
        return {full, {text}};
    const int twoLargest = std::min(full, int(box.height() / (2 * WrappedLineSpacing)));
    if (twoLargest >= smallest) {
        std::optional<NameLayout> two;
        int largest = 0;
        QList<std::pair<BreakKind, NameLayout>> fitting;
        for (const TwoLines &choice : twoLineChoices(text, font, device)) {
            const auto [twoSize, twoFits] = sizeToFit(font, choice.lines, box.width(), twoLargest, smallest, device);
            if (twoFits)
                fitting << std::pair(choice.kind, NameLayout{twoSize, choice.lines}), largest = std::max(largest, twoSize);
        }
        for (const auto &[kind, choice] : fitting) {
            if (!two && (kind != BreakKind::AtDot || choice.size >= largest * PreferredBreakShare))
                two = choice;
        }
        if (two)
            return oneFits && oneSize >= two->size ? NameLayout{oneSize, {text}} : *two;
    }
    if (oneFits || twoLargest < smallest)
        return {oneSize, {oneFits ? text : QFontMetricsF(font, device).elidedText(text, Qt::ElideRight, box.width())}};
    // Too long for two lines: the first as full as it can be, the rest cut.
    QFont small = font;
    small.setPixelSize(smallest);
    const QFontMetricsF metrics(small, device);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype first = graphemes.toNextBoundary();
    for (qsizetype at = first; at > 0 && metrics.horizontalAdvance(text.left(at)) <= box.width(); at = graphemes.toNextBoundary())
        first = at;
    return {smallest, {text.left(first).trimmed(), metrics.elidedText(text.mid(first).trimmed(), Qt::ElideRight, box.width())}};
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
void drawTitleLine(const Canvas &canvas, const QRectF &line, const QString &title, const QString &date, const QString &view)
{
    const QFont sideFont = sheetFont(line.height() * 0.36);
    const QFontMetricsF metrics(sideFont, canvas.painter.device());
    const qreal dateWidth = date.isEmpty() ? 0 : metrics.horizontalAdvance(date);
    canvas.painter.setFont(sideFont);
    canvas.text(line, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, date);
    canvas.text(line, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, view);
    // The title stays in the middle of the page and clear of both.
    const qreal side = std::max(dateWidth, metrics.horizontalAdvance(view)) + line.height() * 0.5;
    const QRectF titleBox = line.adjusted(side, 0, -side, 0);
    // Marks stacked above or below a letter reach past the line's height,
    // which alone drawText() clips to.
    canvas.painter.save();
    canvas.painter.setClipRect(line, Qt::IntersectClip);
    drawFitted(canvas, titleBox, ChartSheet::lineText(title), sheetFont(line.height() * 0.6, QFont::Bold), line.height() * 0.4);
    canvas.painter.restore();
}

// The podium spans the three middle columns of its band.
void drawPodium(const Canvas &canvas, const Layout &layout, const QRectF &band)
{
    const QRectF podium(QPointF(layout.cellAt(1, 0).left(), band.top() + band.height() * 0.1),
                        QPointF(layout.cellAt(SeatChart::Columns - 2, 0).right(), band.bottom() - band.height() * 0.1));
    drawBox(canvas.painter, podium, layout.rule * 2);
    canvas.painter.setFont(sheetFont(podium.height() * 0.6, QFont::Bold));
    canvas.text(podium, Qt::AlignCenter | Qt::TextSingleLine, u"讲台"_s);
}

// The columns numbered in `band`, the rows left of the grid, as the pupils
// count them: from the seat that each column and row shows in this view.
void drawNumbers(const Canvas &canvas, const Layout &layout, const QRectF &band, const ChartSheet &sheet, ChartSheet::View view)
{
    canvas.painter.setFont(sheetFont(band.height() * 0.45));
    for (int column = 0; column < SeatChart::Columns; ++column) {
        const QRectF cell = layout.cellAt(column, 0);
        canvas.text(QRectF(cell.left(), band.top(), cell.width(), band.height()), Qt::AlignCenter | Qt::TextSingleLine,
                    u"第%1列"_s.arg(sheet.chart().pupilColumn(sheet.seatAt(view, column, 0))));
    }
    for (int row = 0; row < SeatChart::Rows; ++row) {
        const QRectF cell = layout.cellAt(0, row);
        canvas.text(QRectF(layout.rowNumbers.left(), cell.top(), layout.rowNumbers.width(), cell.height()),
                    Qt::AlignCenter | Qt::TextSingleLine, u"第%1排"_s.arg(sheet.chart().pupilRow(sheet.seatAt(view, 0, row))));
    }
}

// Each line of a name is a text of its own, clipped to its cell, so that
// nothing in one name (a right-to-left override, a line break) reaches
// another.
void drawSeats(const Canvas &canvas, const Layout &layout, const ChartSheet &sheet, ChartSheet::View view,
               QHash<QString, std::pair<int, QStringList>> &laidOut)
{
    QPainter &painter = canvas.painter;
    const qreal padding = layout.cell.height() * 0.1;
    QFont font = sheetFont(
        std::min(layout.cell.height() * NamePerCellHeight, (layout.cell.width() - 2 * padding) / NameCharactersAtFullSize));
    const int smallest = qRound(font.pixelSize() * SmallestNameScale);
    const int full = font.pixelSize();
    for (int column = 0; column < SeatChart::Columns; ++column) {
        for (int row = 0; row < SeatChart::Rows; ++row) {
            const QRectF cell = layout.cellAt(column, row);
            drawBox(painter, cell, layout.rule);
            const QString name = ChartSheet::lineText(sheet.chart().seat(sheet.seatAt(view, column, row))).trimmed();
            if (name.isEmpty())
                continue;
            const QRectF inside = cell.adjusted(layout.rule, layout.rule, -layout.rule, -layout.rule);
            const QRectF box = inside.adjusted(padding, padding / 2, -padding, -padding / 2);
            const QString key = u"%1 %2 %3 %4 "_s.arg(box.width()).arg(box.height()).arg(full).arg(painter.device()->logicalDpiX()) + name;
            auto known = laidOut.constFind(key);
            if (known == laidOut.cend()) {
                // A view resized again and again keeps only what it shows.
                if (laidOut.size() >= 2 * SeatChart::SeatCount)
                    laidOut.clear();
                font.setPixelSize(full);
                const NameLayout fresh = layOutName(name, font, smallest, box, painter.device());
                known = laidOut.insert(key, {fresh.size, fresh.lines});
            }
            const NameLayout fitted{known->first, known->second};
            font.setPixelSize(fitted.size);
            painter.setFont(font);
            painter.save();
            painter.setClipRect(inside, Qt::IntersectClip);
            if (fitted.lines.size() == 1) {
                canvas.text(inside.adjusted(padding, 0, -padding, 0), Qt::AlignCenter | Qt::TextSingleLine, fitted.lines.front());
            } else {
                // The lines' boxes are closer than the face's spacing, so
                // their text is not clipped to them, only to the cell.
                const qreal spacing = fitted.size * WrappedLineSpacing;
                QRectF line(box.left(), box.center().y() - spacing, box.width(), spacing);
                for (const QString &text : fitted.lines) {
                    canvas.text(line, Qt::AlignCenter | Qt::TextSingleLine | Qt::TextDontClip, text);
                    line.translate(0, spacing);
                }
            }
            painter.restore();
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

void ChartSheet::paint(QPainter &painter, const QRectF &page, View view, QList<DrawnText> *drawn) const
{
    const Layout layout = layoutOf(page);
    painter.save();
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.setLayoutDirection(Qt::LeftToRight);
    painter.fillRect(page, Qt::white);
    // A painter begun on a widget starts with the widget's text colour.
    painter.setPen(Qt::black);
    const Canvas canvas{painter, drawn};
    drawTitleLine(canvas, layout.title, m_title, m_date.isValid() ? dateText(m_date) : QString(), viewText(view));
    const bool podiumAbove = view == View::FacingPodium;
    drawPodium(canvas, layout, podiumAbove ? layout.upperBand : layout.lowerBand);
    drawNumbers(canvas, layout, podiumAbove ? layout.lowerBand : layout.upperBand, *this, view);
    drawSeats(canvas, layout, *this, view, m_laidOut);
    painter.restore();
}

void ChartSheet::paintPages(QPainter &painter, QPagedPaintDevice &device, QList<DrawnText> *drawn) const
{
    const QRectF page = painter.viewport();
    paint(painter, page, View::FacingPodium, drawn);
    device.newPage();
    paint(painter, page, View::FromPodium, drawn);
}
