// The printed chart: which name lands in which cell, the podium and the
// numbers, odd names kept in their cells, and the PDF, PNG and clipboard.

#include "sheet/sheetdocuments.h"

#include <QMimeData>
#include <QPainter>
#include <QStringEncoder>
#include <QTest>

using namespace Qt::StringLiterals;
using View = ChartSheet::View;
Q_DECLARE_METATYPE(PodiumSide)
Q_DECLARE_METATYPE(ChartSheet::View)

namespace {

const QRectF Page(0, 0, 990, 700);

ChartSheet sheetOf(const SeatChart &chart)
{
    return ChartSheet(chart, ChartSheet::titleFor(u"高一3班"_s), QDate(2026, 12, 7));
}

// Drawn with a painter set up as a widget's may be; a null image when the
// sheet leaves it changed.
QImage rendered(const SeatChart &chart, View view)
{
    QImage image(Page.size().toSize(), QImage::Format_RGB32);
    image.fill(Qt::red); // the sheet paints its own white
    QPainter painter(&image);
    painter.setPen(Qt::white);
    painter.setBrush(Qt::black);
    painter.setLayoutDirection(Qt::RightToLeft);
    sheetOf(chart).paint(painter, Page, view);
    const bool kept = painter.pen() == QPen(Qt::white) && painter.brush() == Qt::black && painter.layoutDirection() == Qt::RightToLeft;
    painter.end();
    return kept ? image : QImage();
}

// The bounding box of the dark pixels in `area`; empty where there are none.
QRect ink(const QImage &image, const QRect &area)
{
    QRect found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            found |= qGray(image.pixel(x, y)) < 128 ? QRect(x, y, 1, 1) : QRect();
    return found;
}

QRect cell(int column, int row, int inset = 0)
{
    return sheetOf({}).cellRect(Page, column, row).toAlignedRect().adjusted(inset, inset, -inset, -inset);
}

// Each cell holds the glyph of its seat as a flat or an upright stroke in
// large type, or is blank.
bool fitsShape(const QRect &drawn, const QString &name)
{
    const bool large = std::max(drawn.width(), drawn.height()) > cell(0, 0).height() * 0.4;
    const bool flat = drawn.width() > 3 * drawn.height(), upright = drawn.height() > 3 * drawn.width();
    return name.isEmpty() ? drawn.isEmpty() : large && (name == u"一"_s ? flat : upright);
}

} // namespace

class TestChartSheet : public QObject
{
    Q_OBJECT

private slots:
    void placing_data();
    void placing();
    void oddNames_data();
    void oddNames();
    void joinedLetters();
    void markedTitle();
    void pdf_data();
    void pdf();
    void pictureAndClipboard();
    void tabText_data();
    void tabText();
};

// The four ways of drawing a chart: the podium on either side, either view.
void TestChartSheet::placing_data()
{
    QTest::addColumn<PodiumSide>("podium");
    QTest::addColumn<View>("view");
    QTest::addColumn<int>("topLeft"); // the seat drawn at the top left
    QTest::newRow("podium top, facing it") << PodiumSide::Top << View::FacingPodium << 0;
    QTest::newRow("podium top, from it") << PodiumSide::Top << View::FromPodium << 34;
    QTest::newRow("podium bottom, facing it") << PodiumSide::Bottom << View::FacingPodium << 34;
    QTest::newRow("podium bottom, from it") << PodiumSide::Bottom << View::FromPodium << 0;
}

void TestChartSheet::placing()
{
    QFETCH(PodiumSide, podium);
    QFETCH(View, view);
    QFETCH(int, topLeft);

    SeatChart chart;
    chart.setPodiumSide(podium);
    for (int seat = 0; seat < SeatChart::SeatCount; seat += 3) {
        chart.setSeat(seat, u"一"_s);
        chart.setSeat(seat + 1, u"丨"_s);
    }
    const ChartSheet sheet = sheetOf(chart);
    QCOMPARE(sheet.seatAt(view, 0, 0), topLeft);
    QCOMPARE(chart.seatLabel(sheet.seatAt(view, 0, 0)), view == View::FacingPodium ? u"第1列第1排"_s : u"第5列第7排"_s);

    const QImage image = rendered(chart, view);
    QVERIFY(!image.isNull());
    for (int column = 0; column < SeatChart::Columns; ++column) {
        for (int row = 0; row < SeatChart::Rows; ++row) {
            const QString name = chart.seat(sheet.seatAt(view, column, row));
            QVERIFY2(fitsShape(ink(image, cell(column, row, 4)), name), qPrintable(u"%1,%2 %3"_s.arg(column).arg(row).arg(name)));
        }
    }
    // The podium's bar crosses the two middle aisles, on its side of the
    // grid only.
    // It keeps clear of the grid, and its 讲台 is in large type.
    const int band = cell(0, 0).height() / 2;
    for (int left : {1, 2}) {
        const int x = cell(left, 0).right() + 2, width = cell(left + 1, 0).left() - 2 - x;
        QCOMPARE(ink(image, QRect(x, cell(0, 0).top() - band, width, band - 10)).isEmpty(), view == View::FromPodium);
        QCOMPARE(ink(image, QRect(x, cell(0, 6).bottom() + 10, width, band)).isEmpty(), view == View::FacingPodium);
        QVERIFY(ink(image, QRect(x, cell(0, 0).top() - 8, width, 7)).isEmpty());
        QVERIFY(ink(image, QRect(x, cell(0, 6).bottom() + 2, width, 7)).isEmpty());
    }
    for (int left : {0, 3}) { // and not the outer ones
        const int x = cell(left, 0).right() + 2, width = cell(left + 1, 0).left() - 2 - x;
        QVERIFY(ink(image, QRect(x, cell(0, 0).top() - band, width, band - 10)).isEmpty());
        QVERIFY(ink(image, QRect(x, cell(0, 6).bottom() + 10, width, band)).isEmpty());
    }
    const QRect bar = ink(image, QRect(cell(1, 0).left(), view == View::FacingPodium ? cell(0, 0).top() - band * 2 : cell(0, 6).bottom() + 2,
                                          cell(3, 0).right() - cell(1, 0).left(), band * 2 - 2));
    const QRect word = ink(image, bar.adjusted(6, 6, -6, -6));
    QVERIFY2(word.height() > bar.height() / 2, qPrintable(u"%1 of %2"_s.arg(word.height()).arg(bar.height())));

    // The grid stands in the middle, under the title; the date at the right,
    // the same in both views, and the view in words at the left, in each its
    // own, clear of the title.
    QCOMPARE(cell(0, 0).left() + cell(4, 0).right() + 1, Page.width());
    const int titleLine = cell(0, 0).top() - cell(0, 0).height();
    const QImage other = rendered(chart, view == View::FacingPodium ? View::FromPodium : View::FacingPodium);
    const QRect date(Page.width() * 0.78, 0, Page.width() * 0.22, titleLine), words(0, 0, Page.width() * 0.25, titleLine);
    QVERIFY(!ink(image, date).isEmpty() && image.copy(date) == other.copy(date));
    QVERIFY(!ink(image, words).isEmpty() && image.copy(words) != other.copy(words));
    QVERIFY(ink(image, QRect(words.right() + 1, 0, Page.width() * 0.03, titleLine)).isEmpty());

    // The rows are numbered from the podium: the two views number row r
    // alike only in the middle row, 第4排.
    for (int row = 0; row < SeatChart::Rows; ++row) {
        const QRect numbers(0, cell(0, row).top(), cell(0, row).left(), cell(0, row).height());
        QCOMPARE(image.copy(numbers) == other.copy(numbers), row == 3);
    }
}

void TestChartSheet::oddNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("longer"); // the line drawn wider, 1 or 2; 0 for neither
    QTest::addColumn<double>("size"); // each line's height at the least, to a name's in full size
    QTest::newRow("twelve characters") << u"欧阳娜娜欧阳娜娜欧阳娜娜"_s << 2 << 0 << 0.6;
    QTest::newRow("after the middle dot") << u"阿卜杜热合曼·买买提"_s << 2 << 1 << 0.55;
    QTest::newRow("after an early middle dot") << u"买买提·阿卜杜热合曼"_s << 2 << 2 << 0.55;
    QTest::newRow("at a space") << u"Alexander Maximilian Schneider"_s << 2 << 1 << 0.3;
    QTest::newRow("forty letters, cut") << u"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"_s << 2 << 0 << 0.2;
    QTest::newRow("five characters shrink") << u"欧阳娜娜娜"_s << 1 << 0 << 0.7;
    QTest::newRow("markup") << u"<b>粗</b><br><br>"_s << 2 << 0 << 0.3;
    QTest::newRow("right-to-left override") << u"\u202E逆序abc"_s << 1 << 0 << 0.7;
    QTest::newRow("no break at a no-break space") << u"Maximilian\u00a0Schneider Wolfgang"_s << 2 << 1 << 0.3;
    QTest::newRow("a middle dot that would leave one line long") << u"努尔·阿卜杜热合曼买买提江"_s << 2 << 2 << 0.55;
    QTest::newRow("no line of a middle dot alone") << u"·买买提阿卜杜热合曼阿卜杜"_s << 2 << 2 << 0.55;
    QTest::newRow("Uyghur and Latin words") << u"نۇر Amadeus Ivy Amadeus"_s << 2 << 0 << 0.4;
    QTest::newRow("line breaks and tabs") << u"甲\n乙\r丙\t丁\u2028戊\n\n\n\n\n"_s << 1 << 0 << 0.6;
}

// A name is drawn whole or cut short, on one line or two, clear of its
// cell's sides, and nothing of it reaches another cell: the sheet outside
// its cell is the same as with the seat empty.
void TestChartSheet::oddNames()
{
    QFETCH(QString, name);
    QFETCH(int, lines);
    QFETCH(int, longer);
    QFETCH(double, size);

    SeatChart chart; // the middle seat, 17, is in the middle cell in every view
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat)
        chart.setSeat(seat, seat == 17 ? QString() : u"欧阳娜娜"_s);
    QImage empty = rendered(chart, View::FacingPodium);
    chart.setSeat(17, name);
    QImage image = rendered(chart, View::FacingPodium);

    const QRect box = cell(2, 3);
    const QRect drawn = ink(image, box.adjusted(4, 4, -4, -4));
    QVERIFY(!drawn.isEmpty());
    // The lines, as bands of rows with ink between rows without.
    QList<QRect> bands;
    for (int y = drawn.top(); y <= drawn.bottom(); ++y) {
        const QRect row = ink(image, QRect(drawn.left(), y, drawn.width(), 1));
        if (!row.isEmpty() && !bands.isEmpty() && bands.back().bottom() == y - 1)
            bands.back() |= row;
        else if (!row.isEmpty())
            bands << row;
    }
    QCOMPARE(bands.size(), lines);
    const int full = ink(image, cell(2, 2, 4)).height(); // 欧阳娜娜 fits in full size
    for (const QRect &band : bands)
        QVERIFY2(band.height() >= full * size, qPrintable(u"%1 of %2"_s.arg(band.height()).arg(full)));
    if (lines == 2) {
        const int difference = bands.front().width() - bands.back().width();
        QCOMPARE(std::abs(difference) > full / 2 ? (difference > 0 ? 1 : 2) : 0, longer);
    }
    QVERIFY(ink(image, QRect(box.left() + 4, box.top() + 4, 3, box.height() - 8)).isEmpty());
    QVERIFY(ink(image, QRect(box.right() - 6, box.top() + 4, 3, box.height() - 8)).isEmpty());
    QPainter(&image).fillRect(box, Qt::white);
    QPainter(&empty).fillRect(box, Qt::white);
    QCOMPARE(image, empty);
}

// Arabic script is shaped: the letters of a Uyghur or Kazakh name join, so
// five of them take less room than their isolated forms.
void TestChartSheet::joinedLetters()
{
    const auto width = [](const QString &name) {
        SeatChart chart;
        chart.setSeat(0, name);
        return ink(rendered(chart, View::FromPodium), cell(0, 0, 4)).width();
    };
    QVERIFY(width(u"ببببب"_s) < width(QString(5, QChar(0xFE8F))) * 3 / 4);
}

// Marks stacked on the title's letters stay in its line: the sheet below it
// is that of a title without them.
void TestChartSheet::markedTitle()
{
    const auto below = [](const QString &title) {
        QImage image(Page.size().toSize(), QImage::Format_RGB32);
        QPainter painter(&image);
        ChartSheet(SeatChart(), title, QDate(2026, 12, 7)).paint(painter, Page, View::FacingPodium);
        // From just above the podium's bar, found where the title is not.
        const int x = cell(1, 0).left() + 2;
        const int podium = ink(image, QRect(x, 0, 1, cell(0, 0).top())).top();
        return image.copy(0, podium - 3, image.width(), image.height() - podium + 3);
    };
    QCOMPARE(below(u"A"_s + QString(60, QChar(0x301)) + u"B"_s + QString(60, QChar(0x323))), below(u"AB"_s));
}

void TestChartSheet::pdf_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QString>("list"); // the title's class list
    const QString list = u"高一3班"_s;
    // Characters whose glyphs the font also gives to radicals: ⼦ U+2F26, ⻩ U+2EE9.
    QTest::newRow("radical glyphs") << u"子\u3000黄"_s << true << list; // and U+2003's for U+3000
    QTest::newRow("markup") << u"<b>粗</b>"_s << true << list;
    QTest::newRow("alone between characters past U+FFFF") << u"𠀋子𬱖"_s << true << list; // a line <cid> <cid> <char>
    QTest::newRow("past U+FFFF, last") << u"周𬱖"_s << true << list;
    QTest::newRow("past U+FFFF, twice") << u"𬌗李𬌗𠀋"_s << true << list;
    QTest::newRow("past U+FFFF, in the title") << u"周𬱖"_s << true << u"𬌗班"_s;
    QTest::newRow("past U+FFFF, turned around") << u"\u202E周𬱖\u202C李𬌗"_s << true << list;
    // The title's bytes in UTF-16 spell "begincmap\n", ahead of every map.
    QTest::newRow("past U+FFFF, under a title like a map") << u"周𬱖"_s << true << u"扥杩湣浡瀊"_s;
    QTest::newRow("twelve characters") << u"欧阳娜娜欧阳娜娜欧阳娜娜"_s << true << list;
    QTest::newRow("Latin words") << u"Alexander Maximilian Schneider"_s << true << list;
    QTest::newRow("Latin and Uyghur words") << u"Alexander Wolfgang ئابدۇللا عبدۇرېھىم نۇر Mimi Li ئابدۇللا"_s << true << list;
    QTest::newRow("thirty characters") << u"天地玄黄宇宙洪荒日月盈昃辰宿列张寒来暑往秋收冬藏闰余成岁律吕"_s << false << list;
}

// The names are text that a reader can search and copy: the ToUnicode maps
// (which Qt writes uncompressed) give each glyph its character.
void TestChartSheet::pdf()
{
    QFETCH(QString, name);
    QFETCH(bool, whole);
    QFETCH(QString, list);

    SeatChart chart;
    chart.setSeat(20, name);
    chart.setSeat(0, u"अनन्या"_s); // in a script that no installed face has
    const QString title = ChartSheet::titleFor(list);
    // Each time alike: the order of the glyphs does not depend on a hash.
    const QByteArray pdf = SheetDocuments::pdf(ChartSheet(chart, title, QDate(2026, 12, 7)));
    for (int again = 0; again < 3; ++again)
        QCOMPARE(SheetDocuments::pdf(ChartSheet(chart, title, QDate(2026, 12, 7))).count("beginbfchar"), pdf.count("beginbfchar"));
    const auto has = [&pdf](char32_t c) {
        QByteArray code = "<";
        for (const QChar half : QString::fromUcs4(&c, 1))
            code += QByteArray::number(half.unicode(), 16).toUpper().rightJustified(4, '0');
        return pdf.contains(QByteArray(code + '>'));
    };
    QVERIFY(pdf.startsWith("%PDF-"));
    QVERIFY(pdf.contains("/BaseFont /NotoSansCJKsc-") && !pdf.contains("CJKjp")); // the Simplified forms
    QCOMPARE(pdf.count("/MediaBox [0 0 842.000000 595.000000]"), 2);
    QCOMPARE(pdf.count("/Font <<\n/F"), 2); // text on both
    QVERIFY(pdf.contains(QByteArray("/Title (\xfe\xff" + QByteArray(QStringEncoder(QStringConverter::Utf16BE).encode(title)) + ")")));
    QVERIFY(pdf.contains("/Creator (\xfe\xff\0S\0e\0d\0a\0r\0i\0o)"_ba));
    for (const QString &text : {title, ChartSheet::dateText(QDate(2026, 12, 7)), ChartSheet::viewText(View::FacingPodium),
                                ChartSheet::viewText(View::FromPodium), whole ? name : name.first(5)})
        for (const char32_t c : text.toUcs4())
            // Qt names Arabic letters' glyphs by their presentation forms;
            // direction marks draw nothing.
            QVERIFY2(has(c) || QChar::script(c) == QChar::Script_Arabic || QChar::category(c) == QChar::Other_Format,
                     qPrintable(text + u' ' + QString::fromUcs4(&c, 1)));
    QCOMPARE(has(name.toUcs4().back()) || QChar::script(name.toUcs4().back()) == QChar::Script_Arabic, whole);
    QCOMPARE(has(u'…'), !whole);
}

void TestChartSheet::pictureAndClipboard()
{
    SeatChart chart;
    chart.setSeat(0, u"<b>粗</b>"_s);
    chart.setPodiumSide(PodiumSide::Top);
    const ChartSheet sheet = sheetOf(chart);
    const QByteArray png = SheetDocuments::png(sheet);
    QVERIFY(png.startsWith("\x89PNG\r\n\x1a\n"));
    const QImage image = SheetDocuments::image(sheet);
    QVERIFY(image.width() >= SheetDocuments::MinimumImageWidth);
    QCOMPARE(qRound(image.width() * 210.0 / 297), image.height());
    QCOMPARE(QImage::fromData(png).convertToFormat(image.format()), image);
    // Placed in a document, the picture fills an A4 landscape page.
    QCOMPARE(qRound(image.width() / (QImage::fromData(png).dotsPerMeterX() / 1000.0)), 297);
    QCOMPARE(QImage::fromData(png).dotsPerMeterY(), QImage::fromData(png).dotsPerMeterX());

    const std::unique_ptr<QMimeData> data(SheetDocuments::clipboardData(sheet));
    QCOMPARE(data->data(u"image/png"_s), png);
    QCOMPARE(data->text(), SheetDocuments::tabText(chart));
    const QString html = data->html();
    QVERIFY(html.contains(u"<meta charset=\"utf-8\">"_s));
    QVERIFY(html.contains(u"<tr><td>&lt;b&gt;粗&lt;/b&gt;</td><td></td>"_s));
    QVERIFY(html.indexOf(u"讲台"_s) < html.indexOf(u"粗"_s));
}

void TestChartSheet::tabText_data()
{
    QTest::addColumn<PodiumSide>("podium");
    QTest::addColumn<QString>("first"); // 第1排
    QTest::addColumn<QString>("last");  // 第7排
    // Seat 7 overrides its writing direction: isolated, it keeps it to itself.
    QTest::newRow("podium top") << PodiumSide::Top << u"甲 乙  丙 \t\u2068\u202Es7\u2069\ts14\ts21\ts28"_s << u"s6\ts13\ts20\ts27\t"_s;
    QTest::newRow("podium bottom") << PodiumSide::Bottom << u"\ts27\ts20\ts13\ts6"_s << u"s28\ts21\ts14\t\u2068\u202Es7\u2069\t甲 乙  丙 "_s;
}

void TestChartSheet::tabText()
{
    QFETCH(PodiumSide, podium);
    QFETCH(QString, first);
    QFETCH(QString, last);

    SeatChart chart;
    chart.setPodiumSide(podium);
    for (int seat = 1; seat < SeatChart::SeatCount - 1; ++seat)
        chart.setSeat(seat, u"s%1"_s.arg(seat));
    chart.setSeat(0, u"甲\t乙\r\n丙\u0001"_s);
    chart.setSeat(7, u"\u202Es7"_s);
    const QStringList lines = SheetDocuments::tabText(chart).split(u'\n');
    QCOMPARE(lines.size(), SeatChart::Rows + 1);
    QCOMPARE(lines.back(), QString()); // the last line ends as the others
    for (const QString &line : lines.first(SeatChart::Rows))
        QCOMPARE(line.count(u'\t'), SeatChart::Columns - 1);
    QCOMPARE(lines.front(), first);
    QCOMPARE(lines.at(SeatChart::Rows - 1), last);
    // Each direction control isolates its name, the first and last of each
    // range as well.
    for (const char16_t control : {u'\u202a', u'\u202e', u'\u2066', u'\u2069'}) {
        SeatChart one;
        one.setSeat(one.indexAtPupil(1, 1), QChar(control) + u"x"_s);
        QVERIFY(SheetDocuments::tabText(one).startsWith(u'\u2068'));
    }
}

QTEST_MAIN(TestChartSheet)

#include "tst_chartsheet.moc"
