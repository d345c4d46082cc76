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
using Lines = QList<std::pair<int, QByteArray>>;

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
    void htmlTable_data();
    void htmlTable();

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
                               << Seats{{0, u"n0"_s}, {9, u"n9"_s}, {10, {}}, {34, {}}} << numberedNames(10);
    QTest::newRow("forty lines") << numberedLines(40) << Seats{{0, u"n0"_s}, {34, u"n34"_s}} << Seats{{0, u"n0"_s}, {34, u"n34"_s}}
                                 << numberedNames(35);
    QTest::newRow("null on line 2") << nullSecond << Seats{{1, u"old1"_s}, {2, u"n2"_s}} << Seats{{1, {}}, {2, u"n2"_s}}
                                    << QStringList{u"n0"_s, {}, u"n2"_s};
    QTest::newRow("empty line 2") << emptySecond << Seats{{1, {}}, {2, u"n2"_s}} << Seats{{1, {}}, {2, u"n2"_s}}
                                  << QStringList{u"n0"_s, {}, u"n2"_s};
}

void TestChartFiles::readersDiffer()
{
    QFETCH(QByteArray, list);
    QFETCH(Seats, startup);
    QFETCH(Seats, open);
    QFETCH(QStringList, exam);

    const QString path = work(u"default.txt"_s);
    QVERIFY(writeBytes(path, list));
    SeatChart started;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        started.setSeat(i, u"old%1"_s.arg(i));
    started.setPodiumSide(PodiumSide::Top);
    started.clickSeat(4);
    SeatChart opened = started;
    QCOMPARE(ChartFiles::loadWorkingFiles(started, m_dir->path()), QList<FileError>());
    QCOMPARE(ChartFiles::loadSeatList(opened, path), std::nullopt);
    QCOMPARE(differences(started, startup), QString());
    QCOMPARE(differences(opened, open), QString());
    QCOMPARE(std::tuple(opened.podiumSide(), opened.swapSelection()), std::tuple(PodiumSide::Top, SwapSelection{true, 4}));
    QCOMPARE(ChartFiles::readExamList(path).value().mid(0, exam.size()), exam);
}

void TestChartFiles::option_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<PodiumSide>("before");
    QTest::addColumn<PodiumSide>("after");

    const auto top = PodiumSide::Top, bottom = PodiumSide::Bottom;
    QTest::newRow("True") << QByteArray("True\r\n") << bottom << top;
    QTest::newRow("false without a line end") << QByteArray("false") << top << bottom;
    QTest::newRow("a number between blanks") << QByteArray("  2 \n") << bottom << top;
    QTest::newRow("zero; the first line only") << QByteArray("0\r\nTrue\r\n") << top << bottom;
    QTest::newRow("empty file") << QByteArray("") << top << top;
    QTest::newRow("not finite") << QByteArray("inf") << bottom << bottom;
    QTest::newRow("line too long") << "1" + QByteArray(5000, ' ') << bottom << bottom;
}

void TestChartFiles::option()
{
    QFETCH(QByteArray, content);
    QFETCH(PodiumSide, before);
    QFETCH(PodiumSide, after);

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
}

void TestChartFiles::saveReadsBackOrRefuses_data()
{
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<int>("seat");        // the seat whose line is checked
    QTest::addColumn<QByteArray>("line"); // how it is written
    QTest::addColumn<int>("refused");     // the seat Save names when it refuses; -1: saved

    const auto inOrder = [](const QStringList &names) {
        Seats seats;
        for (int i = 0; i < names.size(); ++i)
            seats.append({i, names.at(i)});
        return seats;
    };
    const QByteArray old = "old";
    const QString lookAlike = u"甬华"_s; // GB18030 F0 AE BB AA, which is also UTF-8
    QTest::newRow("blank inside") << Seats{{5, u"Smith John"_s}} << 5 << QByteArray("Smith John") << -1;
    QTest::newRow("comma quoted") << Seats{{3, u"Smith, John"_s}} << 3 << QByteArray("\"Smith, John\"") << -1;
    QTest::newRow("leading blank quoted") << Seats{{6, u" 王五"_s}} << 6 << QByteArray("\" \xcd\xf5\xce\xe5\"") << -1;
    QTest::newRow("trailing blank quoted") << Seats{{9, u"王五 "_s}} << 9 << QByteArray("\"\xcd\xf5\xce\xe5 \"") << -1;
    QTest::newRow("quote inside") << Seats{{15, u"a\"b"_s}} << 15 << QByteArray("a\"b") << -1;
    QTest::newRow("euro") << Seats{{18, u"€"_s}} << 18 << QByteArray("\x80") << -1;
    QTest::newRow("begins like UTF-8 mark, seat 0") << Seats{{0, u"锘库"_s}} << 0 << QByteArray(" \xef\xbb\xbf\xe2") << -1;
    QTest::newRow("begins like UTF-8 mark, seat 7") << Seats{{7, u"锘库"_s}} << 7 << QByteArray("\xef\xbb\xbf\xe2") << -1;
    QTest::newRow("looks like UTF-8: an empty seat marked") << Seats{{34, lookAlike}} << 0 << QByteArray("\"NULL\"\xa1\xa1") << -1;
    QTest::newRow("every seat a look-alike") << inOrder(QStringList(35, lookAlike)) << 0 << QByteArray("\"\xf0\xae\xbb\xaa\"\xa1\xa1")
                                             << -1;
    QTest::newRow("long names, a long look-alike last")
        << inOrder(QStringList(34, QString(2049, u'b')) << lookAlike.repeated(1023) + u"aa"_s) << 0
        << "\"" + QByteArray(2049, 'b') + "\"\xa1\xa1" << -1;
    QTest::newRow("longest") << Seats{{34, QString(4096, u'x')}} << 34 << QByteArray(4096, 'x') << -1;
    QTest::newRow("longest quoted") << Seats{{1, u","_s + QString(4093, u'x')}} << 1 << "\"," + QByteArray(4093, 'x') + "\"" << -1;
    QTest::newRow("look-alikes too long to mark") << inOrder(QStringList(35, lookAlike.repeated(1023) + u'a')) << 0 << old << 0;
    QTest::newRow("quotes in every look-alike") << inOrder(QStringList(35, u"a\"b"_s + lookAlike)) << 0 << old << 0;
    QTest::newRow("a name too long for its line") << Seats{{2, QString(5000, u'x')}} << 0 << old << 2;
}

void TestChartFiles::saveReadsBackOrRefuses()
{
    QFETCH(Seats, seats);
    QFETCH(int, seat);
    QFETCH(QByteArray, line);
    QFETCH(int, refused);

    SeatChart chart, before;
    for (const auto &[index, name] : seats)
        chart.setSeat(index, name);
    before.setSeat(0, u"old"_s);
    before.setPodiumSide(PodiumSide::Top);
    QVERIFY(writeBytes(work(u"default.txt"_s), "old\r\n") && writeBytes(work(u"Option"_s), "True\r\n"));

    const auto error = ChartFiles::saveWorkingFiles(chart, m_dir->path());
    const QString where = u"第 %1 列第 %2 行"_s.arg(SeatChart::columnOf(refused) + 1).arg(SeatChart::rowOf(refused) + 1);
    QCOMPARE(error ? std::optional(error->reason()) : std::nullopt,
             refused < 0 ? std::nullopt : std::optional(FileError::Reason::NotFaithful));
    QVERIFY2(!error || error->message().contains(where), qPrintable(error ? error->message() : QString()));
    QCOMPARE(readBytes(work(u"default.txt"_s)).split('\n').value(seat), line + '\r');
    SeatChart started;
    QCOMPARE(ChartFiles::loadWorkingFiles(started, m_dir->path()), QList<FileError>());
    QCOMPARE(started, refused < 0 ? chart : before);
}

void TestChartFiles::htmlTable_data()
{
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<Lines>("cells"); // the table's lines that hold a name, counted from 1

    QTest::newRow("甲 in seat 0, 乙 in seat 34")
        << Seats{{0, u"甲"_s}, {34, u"乙"_s}} << Lines{{3, "<td>\xbc\xd7</td>"}, {49, "<td>\xd2\xd2</td>"}};
    QTest::newRow("seat 7: second cell of row 0") << Seats{{7, u"王"_s}} << Lines{{4, "<td>\xcd\xf5</td>"}};
    QTest::newRow("seat 1: first cell of row 1") << Seats{{1, u"€"_s}} << Lines{{10, "<td>\x80</td>"}};
    QTest::newRow("markup escaped") << Seats{{0, u"<b>王&\"</b>"_s}} << Lines{{3, "<td>&lt;b&gt;\xcd\xf5&amp;&quot;&lt;/b&gt;</td>"}};
    QTest::newRow("line end stays in line") << Seats{{0, u"a\r\nb"_s}} << Lines{{3, "<td>a&#13;&#10;b</td>"}};
}

void TestChartFiles::htmlTable()
{
    QFETCH(Seats, seats);
    QFETCH(Lines, cells);

    QList<QByteArray> expected{"<table  align=center border=1 cellpadding=10 cellspacing=0 width=90% "
                               "bordercolor=#CC99FF style='border-collapse: collapse'>"};
    for (int row = 0; row < 7; ++row)
        expected << "<tr>"
                 << "<td></td>"
                 << "<td></td>"
                 << "<td></td>"
                 << "<td></td>"
                 << "<td></td>"
                 << "</tr>";
    expected << "</table>";
    for (const auto &[line, cell] : cells)
        expected[line - 1] = cell;
    SeatChart chart;
    for (const auto &[seat, name] : seats)
        chart.setSeat(seat, name);
    const QString path = work(u"plan.rtf"_s);
    QVERIFY(writeBytes(path, QByteArray(10000, 'r'))); // replaced whole, without a question
    QCOMPARE(HtmlExport::exportHtmlTable(chart, path), std::nullopt);
    QCOMPARE(readBytes(path), crlfLines(expected));
}

QTEST_GUILESS_MAIN(TestChartFiles)
#include "tst_chartfiles.moc"
