#include "chart/seatchart.h"
#include "files/htmlexport.h"
#include "testfiles.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class TestHtmlExport : public QObject
{
    Q_OBJECT

private slots:
    void wholeTable();
    void cells_data();
    void cells();
};

void TestHtmlExport::wholeTable()
{
    QList<QByteArray> expected{"<table  align=center border=1 cellpadding=10 cellspacing=0 width=90% "
                               "bordercolor=#CC99FF style='border-collapse: collapse'>"};
    for (int row = 0; row < 7; ++row) {
        expected << "<tr>";
        for (int column = 0; column < 5; ++column)
            expected << "<td></td>";
        expected << "</tr>";
    }
    expected << "</table>";
    expected[2] = "<td>\xbc\xd7</td>";  // seat 0: row 0, column 0
    expected[48] = "<td>\xd2\xd2</td>"; // seat 34: row 6, column 4

    SeatChart chart;
    chart.setSeat(0, u"甲"_s);
    chart.setSeat(34, u"乙"_s);
    QTemporaryDir dir;
    const QString path = dir.filePath(u"plan.rtf"_s);
    QVERIFY(writeBytes(path, QByteArray(10000, 'r'))); // replaced whole, without a question
    QCOMPARE(HtmlExport::exportHtmlTable(chart, path), std::nullopt);
    QCOMPARE(readBytes(path), crlfLines(expected));
}

void TestHtmlExport::cells_data()
{
    QTest::addColumn<int>("seat");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("line"); // counted from 1
    QTest::addColumn<QByteArray>("cell");

    QTest::newRow("seat 7: second cell of row 0") << 7 << u"王"_s << 4 << QByteArray("<td>\xcd\xf5</td>");
    QTest::newRow("seat 1: first cell of row 1") << 1 << u"王"_s << 10 << QByteArray("<td>\xcd\xf5</td>");
    QTest::newRow("seat 17: the centre") << 17 << u"€"_s << 26 << QByteArray("<td>\x80</td>");
    QTest::newRow("markup escaped") << 0 << u"<b>王</b>"_s << 3 << QByteArray("<td>&lt;b&gt;\xcd\xf5&lt;/b&gt;</td>");
    QTest::newRow("ampersand and quote") << 0 << u"A&\"B\""_s << 3 << QByteArray("<td>A&amp;&quot;B&quot;</td>");
    QTest::newRow("apostrophe kept") << 0 << u"O'Neil"_s << 3 << QByteArray("<td>O'Neil</td>");
    QTest::newRow("line end stays in line") << 0 << u"a\r\nb"_s << 3 << QByteArray("<td>a&#13;&#10;b</td>");
}

void TestHtmlExport::cells()
{
    QFETCH(int, seat);
    QFETCH(QString, name);
    QFETCH(int, line);
    QFETCH(QByteArray, cell);

    SeatChart chart;
    chart.setSeat(seat, name);
    const QList<QByteArray> table = HtmlExport::table(chart).split('\n');
    QCOMPARE(table.size(), 52); // 51 lines, each ending in CR LF
    QCOMPARE(table.at(line - 1), cell + '\r');
    QCOMPARE(table.count("<td></td>\r"), 34);
}

QTEST_GUILESS_MAIN(TestHtmlExport)
#include "tst_htmlexport.moc"
