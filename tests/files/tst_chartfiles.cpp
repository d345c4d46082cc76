#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
Q_DECLARE_METATYPE(PodiumSide)

namespace {

// Seat `first` holds `second`; every other seat unchecked.
using Seats = QList<std::pair<int, QString>>;

QString differences(const SeatChart &chart, const Seats &seats)
{
    for (const auto &[index, name] : seats) {
        if (chart.seat(index) != name)
            return u"seat %1 holds '%2', not '%3'"_s.arg(index).arg(chart.seat(index), name);
    }
    return QString();
}

} // namespace

class TestChartFiles : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readersDiffer_data();
    void readersDiffer();
    void option_data();
    void option();
    void saveIsByteExact();
    void saveReadsBackOrRefuses_data();
    void saveReadsBackOrRefuses();
    void htmlTable();
    void htmlCells_data();
    void htmlCells();

private:
    QString work(const QString &name) const { return m_dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestChartFiles::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestChartFiles::readersDiffer_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<Seats>("startup");    // seats after the start-up load of a chart of old<i>
    QTest::addColumn<Seats>("open");       // and after Open
    QTest::addColumn<QStringList>("exam"); // the first names of the exam list read from it

    QByteArray nullSecond = numberedLines(35), emptySecond = numberedLines(35);
    nullSecond.replace("n1\r\n", "null\r\n");
    emptySecond.replace("n1\r\n", "\r\n");
    QTest::newRow("ten lines") << numberedLines(10) << Seats{{0, u"n0"_s}, {9, u"n9"_s}, {10, u"old10"_s}, {34, u"old34"_s}}
                               << Seats{{0, u"n0"_s}, {9, u"n9"_s}, {10, {}}, {34, {}}}
                               << QStringList{u"n0"_s, u"n1"_s, u"n2"_s, u"n3"_s, u"n4"_s, u"n5"_s, u"n6"_s, u"n7"_s, u"n8"_s, u"n9"_s};
    QTest::newRow("forty lines") << numberedLines(40) << Seats{{0, u"n0"_s}, {34, u"n34"_s}} << Seats{{0, u"n0"_s}, {34, u"n34"_s}}
                                 << QStringList{u"n0"_s};
    QTest::newRow("null on line 2") << nullSecond << Seats{{1, u"old1"_s}, {2, u"n2"_s}} << Seats{{1, {}}, {2, u"n2"_s}}
                                    << QStringList{u"n0"_s, {}, u"n2"_s};
    QTest::newRow("empty line 2") << emptySecond << Seats{{1, {}}, {2, u"n2"_s}} << Seats{{1, {}}, {2, u"n2"_s}}
                                  << QStringList{u"n0"_s, {}, u"n2"_s};
    QTest::newRow("not a seat list") << QByteArray("\x7f"
                                                   "ELF\0\1",
                                                   6)
                                     << Seats{{0, u"old0"_s}, {1, u"old1"_s}} << Seats{{0, u"old0"_s}, {1, u"old1"_s}} << QStringList();
}

void TestChartFiles::readersDiffer()
{
    QFETCH(QByteArray, list);
    QFETCH(Seats, startup);
    QFETCH(Seats, open);
    QFETCH(QStringList, exam);

    QVERIFY(writeBytes(work(u"default.txt"_s), list));
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"old%1"_s.arg(i));
    chart.setPodiumSide(PodiumSide::Top);
    chart.clickSeat(4);
    const SeatChart before = chart;
    const bool readable = !exam.isEmpty();

    SeatChart started = before;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(started, m_dir->path());
    QCOMPARE(problems.size(), readable ? 0 : 1);
    QCOMPARE(differences(started, startup), QString());

    SeatChart opened = before;
    const auto error = ChartFiles::loadSeatList(opened, work(u"default.txt"_s));
    QCOMPARE(error.has_value(), !readable);
    QCOMPARE(differences(opened, open), QString());
    QCOMPARE(opened.podiumSide(), PodiumSide::Top);
    QCOMPARE(opened.swapSelection(), before.swapSelection());
    if (!readable) {
        QCOMPARE(opened, before);
        QCOMPARE(started, before);
        QCOMPARE(error->path(), work(u"default.txt"_s));
        QCOMPARE(problems.first(), *error);
    }

    const auto examList = ChartFiles::readExamList(work(u"default.txt"_s));
    QCOMPARE(examList.ok(), readable);
    if (readable)
        QCOMPARE(examList.value().mid(0, exam.size()), exam);
}

void TestChartFiles::option_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no Option file
    QTest::addColumn<PodiumSide>("before");
    QTest::addColumn<PodiumSide>("after");

    const auto top = PodiumSide::Top, bottom = PodiumSide::Bottom;
    QTest::newRow("True") << QByteArray("True\r\n") << bottom << top;
    QTest::newRow("False") << QByteArray("False\r\n") << top << bottom;
    QTest::newRow("lower-case false") << QByteArray("false") << top << bottom;
    QTest::newRow("TRUE with blanks") << QByteArray("  TRUE \n") << bottom << top;
    QTest::newRow("digit 1") << QByteArray("1\r\n") << bottom << top;
    QTest::newRow("zero") << QByteArray("0\r\n") << top << bottom;
    QTest::newRow("first line only") << QByteArray("False\r\nTrue\r\n") << top << bottom;
    QTest::newRow("empty file") << QByteArray("") << top << top;
    QTest::newRow("no file") << QByteArray() << top << top;
    QTest::newRow("a word") << QByteArray("yes\r\n") << top << top;
    QTest::newRow("not finite") << QByteArray("inf") << bottom << bottom;
    QTest::newRow("line too long") << "1" + QByteArray(5000, ' ') << bottom << bottom;
}

void TestChartFiles::option()
{
    QFETCH(QByteArray, content);
    QFETCH(PodiumSide, before);
    QFETCH(PodiumSide, after);

    if (!content.isNull())
        QVERIFY(writeBytes(work(u"Option"_s), content));
    SeatChart chart;
    chart.setPodiumSide(before);
    QCOMPARE(ChartFiles::loadWorkingFiles(chart, m_dir->path()), QList<FileError>());
    QCOMPARE(chart.podiumSide(), after);
}

void TestChartFiles::saveIsByteExact()
{
    SeatChart chart;
    chart.setSeat(0, u"甲"_s);
    chart.setSeat(34, u"乙"_s);
    chart.setPodiumSide(PodiumSide::Top);
    QCOMPARE(ChartFiles::saveWorkingFiles(chart, m_dir->path()), std::nullopt);
    QList<QByteArray> expected(SeatChart::SeatCount, "NULL");
    expected.first() = "\xbc\xd7";
    expected.last() = "\xd2\xd2";
    QCOMPARE(readBytes(work(u"default.txt"_s)), crlfLines(expected));
    QCOMPARE(readBytes(work(u"Option"_s)), QByteArray("True\r\n"));

    // A list that was opened is left as it was; its seats go to default.txt.
    const QString opened = work(u"class.txt"_s);
    QVERIFY(writeBytes(opened, "\"Smith, John\"\r\nnull\r\n\x80\r\n"));
    QCOMPARE(ChartFiles::loadSeatList(chart, opened), std::nullopt);
    QCOMPARE(ChartFiles::saveWorkingFiles(chart, m_dir->path()), std::nullopt);
    QCOMPARE(readBytes(opened), QByteArray("\"Smith, John\"\r\nnull\r\n\x80\r\n"));
    QVERIFY(readBytes(work(u"default.txt"_s)).startsWith("\"Smith, John\"\r\nNULL\r\n\x80\r\nNULL\r\n"));
}

void TestChartFiles::saveReadsBackOrRefuses_data()
{
    QTest::addColumn<QStringList>("names"); // seats 0.. in order
    QTest::addColumn<int>("refusedSeat");   // -1: saved

    const QString lookAlike = u"甬华"_s; // GB18030 F0 AE BB AA, which is also UTF-8
    QStringList longNames(34, QString(2049, u'b'));
    QTest::newRow("long names, a long look-alike last") << (longNames << lookAlike.repeated(1023) + u"aa"_s) << -1;
    QTest::newRow("every seat a look-alike") << QStringList(35, lookAlike) << -1;
    QTest::newRow("look-alikes too long to mark") << QStringList(35, lookAlike.repeated(1023) + u'a') << 0;
    QTest::newRow("quotes in every look-alike") << QStringList(35, u"a\"b"_s + lookAlike) << 0;
    QTest::newRow("begins like the UTF-8 mark") << QStringList{u"锘库"_s} << -1;
}

void TestChartFiles::saveReadsBackOrRefuses()
{
    QFETCH(QStringList, names);
    QFETCH(int, refusedSeat);

    SeatChart chart;
    for (int i = 0; i < names.size(); ++i)
        chart.setSeat(i, names.at(i));
    QVERIFY(writeBytes(work(u"default.txt"_s), "old\r\n") && writeBytes(work(u"Option"_s), "True\r\n"));
    const auto error = ChartFiles::saveWorkingFiles(chart, m_dir->path());
    SeatChart started;
    QCOMPARE(ChartFiles::loadWorkingFiles(started, m_dir->path()), QList<FileError>());
    if (refusedSeat < 0) {
        QCOMPARE(error, std::nullopt);
        QCOMPARE(started, chart);
        return;
    }
    QVERIFY(error);
    QCOMPARE(error->reason(), FileError::Reason::NotFaithful);
    QVERIFY2(
        error->message().contains(u"第 %1 列第 %2 行"_s.arg(SeatChart::columnOf(refusedSeat) + 1).arg(SeatChart::rowOf(refusedSeat) + 1)),
        qPrintable(error->message()));
    QCOMPARE(readBytes(work(u"default.txt"_s)), QByteArray("old\r\n"));
    QCOMPARE(readBytes(work(u"Option"_s)), QByteArray("True\r\n"));
}

void TestChartFiles::htmlTable()
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
    const QString path = work(u"plan.rtf"_s);
    QVERIFY(writeBytes(path, QByteArray(10000, 'r'))); // replaced whole, without a question
    QCOMPARE(HtmlExport::exportHtmlTable(chart, path), std::nullopt);
    QCOMPARE(readBytes(path), crlfLines(expected));
}

void TestChartFiles::htmlCells_data()
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

void TestChartFiles::htmlCells()
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

QTEST_GUILESS_MAIN(TestChartFiles)
#include "tst_chartfiles.moc"
