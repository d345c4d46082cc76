#include "chart/seatchart.h"
#include "files/htmlexport.h"
#include "testfiles.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using Reason = FileError::Reason;

namespace {

const QByteArray FirstLine = "<table  align=center border=1 cellpadding=10 cellspacing=0 width=90% "
                             "bordercolor=#CC99FF style='border-collapse: collapse'>";

QList<QByteArray> lines(const QByteArray &bytes)
{
    QList<QByteArray> list = bytes.split('\n');
    if (list.last().isEmpty())
        list.removeLast();
    for (QByteArray &line : list) {
        if (!line.endsWith('\r'))
            return {};
        line.chop(1);
    }
    return list;
}

} // namespace

class TestHtmlExport : public QObject
{
    Q_OBJECT

private slots:
    void emptyChart();
    void cellPlacement_data();
    void cellPlacement();
    void cellsAreEscaped_data();
    void cellsAreEscaped();
    void podiumDoesNotMatter();
    void exportReplacesFile();
    void exportErrors();
};

void TestHtmlExport::emptyChart()
{
    QList<QByteArray> expected{FirstLine};
    for (int row = 0; row < 7; ++row) {
        expected << "<tr>";
        for (int column = 0; column < 5; ++column)
            expected << "<td></td>";
        expected << "</tr>";
    }
    expected << "</table>";
    QCOMPARE(expected.size(), 51);
    QCOMPARE(HtmlExport::table(SeatChart()), crlfLines(expected));
}

void TestHtmlExport::cellPlacement_data()
{
    QTest::addColumn<int>("seat");
    QTest::addColumn<int>("line"); // counted from 1

    QTest::newRow("seat 0: first cell of the first row") << 0 << 3;
    QTest::newRow("seat 7: second cell of the first row") << 7 << 4;
    QTest::newRow("seat 1: first cell of the second row") << 1 << 10;
    QTest::newRow("seat 34: last cell of the last row") << 34 << 49;
    QTest::newRow("seat 17: centre") << 17 << 26;
}

void TestHtmlExport::cellPlacement()
{
    QFETCH(int, seat);
    QFETCH(int, line);

    SeatChart chart;
    chart.setSeat(seat, u"甲"_s);
    const QList<QByteArray> table = lines(HtmlExport::table(chart));
    QCOMPARE(table.size(), 51);
    for (int k = 0; k < table.size(); ++k) {
        if (table.at(k).startsWith("<td>"))
            QCOMPARE(table.at(k), k + 1 == line ? QByteArray("<td>\xbc\xd7</td>") : QByteArray("<td></td>"));
    }
}

void TestHtmlExport::cellsAreEscaped_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("cell");

    QTest::newRow("markup") << u"<b>王</b>"_s << QByteArray("<td>&lt;b&gt;\xcd\xf5&lt;/b&gt;</td>");
    QTest::newRow("ampersand") << u"A&B"_s << QByteArray("<td>A&amp;B</td>");
    QTest::newRow("quote") << u"\"x\""_s << QByteArray("<td>&quot;x&quot;</td>");
    QTest::newRow("apostrophe stays") << u"O'Neil"_s << QByteArray("<td>O'Neil</td>");
    QTest::newRow("line end stays on one line") << u"a\r\nb"_s << QByteArray("<td>a&#13;&#10;b</td>");
    QTest::newRow("euro sign") << u"€"_s << QByteArray("<td>\x80</td>");
}

void TestHtmlExport::cellsAreEscaped()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, cell);

    SeatChart chart;
    chart.setSeat(0, name);
    const QList<QByteArray> table = lines(HtmlExport::table(chart));
    QCOMPARE(table.size(), 51);
    QCOMPARE(table.at(2), cell);
}

void TestHtmlExport::podiumDoesNotMatter()
{
    SeatChart chart;
    chart.setSeat(9, u"乙"_s);
    const QByteArray bottom = HtmlExport::table(chart);
    chart.togglePodium();
    QCOMPARE(HtmlExport::table(chart), bottom);
}

void TestHtmlExport::exportReplacesFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"plan.rtf"_s);
    QVERIFY(writeBytes(path, QByteArray(10000, 'r')));
    SeatChart chart;
    chart.setSeat(34, u"乙"_s);
    QCOMPARE(HtmlExport::exportHtmlTable(chart, path), std::nullopt);
    QCOMPARE(readBytes(path), HtmlExport::table(chart));
}

void TestHtmlExport::exportErrors()
{
    QTemporaryDir dir;
    const QString notAFolder = dir.filePath(u"file"_s);
    QVERIFY(writeBytes(notAFolder, "x"));
    const struct {
        QString path;
        Reason reason;
    } cases[] = {
        {dir.filePath(u"missing/plan.html"_s), Reason::NotWritable},
        {notAFolder + u"/plan.html"_s, Reason::NotWritable},
        {dir.path(), Reason::IsDirectory},
        {u"/dev/full"_s, Reason::NotRegularFile},
    };
    for (const auto &c : cases) {
        const auto error = HtmlExport::exportHtmlTable(SeatChart(), c.path);
        QVERIFY2(error, qPrintable(c.path));
        QCOMPARE(error->reason(), c.reason);
        QCOMPARE(error->path(), c.path);
    }
    QVERIFY(!QFileInfo(u"/dev/full"_s).isFile());
    QCOMPARE(readBytes(notAFolder), QByteArray("x"));
}

QTEST_GUILESS_MAIN(TestHtmlExport)
#include "tst_htmlexport.moc"
