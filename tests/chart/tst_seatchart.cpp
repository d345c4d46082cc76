#include "chart/seatchart.h"

#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// A chart whose seat i holds the name "s<i>", so every move is visible.
SeatChart numberedChart()
{
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"s%1"_s.arg(i));
    return chart;
}

QStringList seats(const SeatChart &chart)
{
    QStringList names;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        names << chart.seat(i);
    return names;
}

enum class Operation { ShiftLeft, ShiftRight, Rotate };

using SeatMap = QMap<int, QString>;

void apply(SeatChart &chart, Operation operation)
{
    switch (operation) {
    case Operation::ShiftLeft: chart.shiftLeft(); break;
    case Operation::ShiftRight: chart.shiftRight(); break;
    case Operation::Rotate: chart.rotate(); break;
    }
}

} // namespace

Q_DECLARE_METATYPE(Operation)

class TestSeatChart : public QObject
{
    Q_OBJECT

private slots:
    void newChartIsEmptyWithPodiumAtBottom();
    void clickSeat_data();
    void clickSeat();
    void togglePodiumTwiceRestoresSide();
    void singleNameMoves_data();
    void singleNameMoves();
    void inversesRestoreChart_data();
    void inversesRestoreChart();
    void shiftKeepsRowsAndMovesColumns();
    void rotateFlipsPodiumAndEmptyChartStaysEmpty();
    void pendingSelectionSurvivesRearrangement_data();
    void pendingSelectionSurvivesRearrangement();
    void examRoom_data();
    void examRoom();
    void examRoomFollowsSerpentinePath();
    void examRoomTwiceReturnsPodium();
};

void TestSeatChart::newChartIsEmptyWithPodiumAtBottom()
{
    const SeatChart chart;
    QCOMPARE(seats(chart), QStringList(SeatChart::SeatCount, QString()));
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom);
    QCOMPARE(chart.swapSelection(), SwapSelection());
}

void TestSeatChart::clickSeat_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<SeatMap>("expected"); // seats that differ from s<i>
    QTest::addColumn<bool>("pending");
    QTest::addColumn<int>("selected");

    QTest::newRow("first click only remembers")
        << QList<int>{3} << SeatMap{} << true << 3;
    QTest::newRow("seat 0 is a valid first click")
        << QList<int>{0} << SeatMap{} << true << 0;
    QTest::newRow("two seats swap")
        << QList<int>{3, 30} << SeatMap{{3, u"s30"_s}, {30, u"s3"_s}} << false << 0;
    QTest::newRow("same seat twice changes nothing")
        << QList<int>{5, 5} << SeatMap{} << false << 0;
    QTest::newRow("third click starts a new selection")
        << QList<int>{3, 30, 12} << SeatMap{{3, u"s30"_s}, {30, u"s3"_s}} << true << 12;
    QTest::newRow("seat 0 swaps with the last seat")
        << QList<int>{0, 34} << SeatMap{{0, u"s34"_s}, {34, u"s0"_s}} << false << 0;
}

void TestSeatChart::clickSeat()
{
    QFETCH(QList<int>, clicks);
    QFETCH(SeatMap, expected);
    QFETCH(bool, pending);
    QFETCH(int, selected);

    SeatChart chart = numberedChart();
    for (int index : clicks)
        chart.clickSeat(index);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        QCOMPARE(chart.seat(i), expected.value(i, u"s%1"_s.arg(i)));
    QCOMPARE(chart.swapSelection().pending, pending);
    QCOMPARE(chart.swapSelection().selectedIndex, selected);
}

void TestSeatChart::togglePodiumTwiceRestoresSide()
{
    SeatChart chart;
    chart.togglePodium();
    QCOMPARE(chart.podiumSide(), PodiumSide::Top);
    chart.togglePodium();
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom);
}

void TestSeatChart::singleNameMoves_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");

    QTest::newRow("left: (0,3) wraps to (4,3)") << Operation::ShiftLeft << 3 << 31;
    QTest::newRow("left: (1,0) to (0,0)") << Operation::ShiftLeft << 7 << 0;
    QTest::newRow("right: (4,3) back to (0,3)") << Operation::ShiftRight << 31 << 3;
    QTest::newRow("right: (4,0) wraps to (0,0)") << Operation::ShiftRight << 28 << 0;
    QTest::newRow("right: (2,6) to (3,6)") << Operation::ShiftRight << 20 << 27;
    QTest::newRow("rotate: 0 to 34") << Operation::Rotate << 0 << 34;
    QTest::newRow("rotate: 6 to 28") << Operation::Rotate << 6 << 28;
    QTest::newRow("rotate: centre stays") << Operation::Rotate << 17 << 17;
    QTest::newRow("rotate: 9 to 25") << Operation::Rotate << 9 << 25;
}

void TestSeatChart::singleNameMoves()
{
    QFETCH(Operation, operation);
    QFETCH(int, from);
    QFETCH(int, to);

    SeatChart chart;
    chart.setSeat(from, u"王五"_s);
    apply(chart, operation);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        QCOMPARE(chart.seat(i), i == to ? u"王五"_s : QString());
}

void TestSeatChart::inversesRestoreChart_data()
{
    QTest::addColumn<QList<Operation>>("operations");

    QTest::newRow("left then right") << QList<Operation>{Operation::ShiftLeft, Operation::ShiftRight};
    QTest::newRow("right then left") << QList<Operation>{Operation::ShiftRight, Operation::ShiftLeft};
    QTest::newRow("five lefts") << QList<Operation>(5, Operation::ShiftLeft);
    QTest::newRow("five rights") << QList<Operation>(5, Operation::ShiftRight);
    QTest::newRow("two rotations") << QList<Operation>{Operation::Rotate, Operation::Rotate};
}

void TestSeatChart::inversesRestoreChart()
{
    QFETCH(QList<Operation>, operations);

    SeatChart chart = numberedChart();
    chart.setPodiumSide(PodiumSide::Top);
    const SeatChart before = chart;
    for (int step = 0; step < operations.size(); ++step) {
        apply(chart, operations.at(step));
        // No step but the last restores the chart on its own.
        if (step + 1 < operations.size())
            QVERIFY(seats(chart) != seats(before));
    }
    QCOMPARE(seats(chart), seats(before));
    QCOMPARE(chart.podiumSide(), PodiumSide::Top);
}

void TestSeatChart::shiftKeepsRowsAndMovesColumns()
{
    SeatChart chart = numberedChart();
    chart.shiftLeft();
    // The second column, top to bottom, is now the leftmost.
    for (int row = 0; row < SeatChart::Rows; ++row) {
        QCOMPARE(chart.seat(SeatChart::indexOf(0, row)), u"s%1"_s.arg(7 + row));
        QCOMPARE(chart.seat(SeatChart::indexOf(4, row)), u"s%1"_s.arg(row));
    }
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom);
}

void TestSeatChart::rotateFlipsPodiumAndEmptyChartStaysEmpty()
{
    SeatChart chart;
    for (int k = 0; k < 2; ++k) {
        chart.shiftLeft();
        chart.shiftRight();
    }
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom);
    chart.rotate();
    QCOMPARE(seats(chart), QStringList(SeatChart::SeatCount, QString()));
    QCOMPARE(chart.podiumSide(), PodiumSide::Top);
}

void TestSeatChart::pendingSelectionSurvivesRearrangement_data()
{
    QTest::addColumn<Operation>("operation");
    QTest::addColumn<QString>("nameAt0");  // after the rearrangement
    QTest::addColumn<QString>("nameAt10");

    QTest::newRow("rotate") << Operation::Rotate << u"s34"_s << u"s24"_s;
    QTest::newRow("shift left") << Operation::ShiftLeft << u"s7"_s << u"s17"_s;
    QTest::newRow("shift right") << Operation::ShiftRight << u"s28"_s << u"s3"_s;
}

void TestSeatChart::pendingSelectionSurvivesRearrangement()
{
    QFETCH(Operation, operation);
    QFETCH(QString, nameAt0);
    QFETCH(QString, nameAt10);

    SeatChart chart = numberedChart();
    chart.clickSeat(0);
    apply(chart, operation);
    QCOMPARE(chart.swapSelection(), (SwapSelection{true, 0}));
    QCOMPARE(chart.seat(0), nameAt0);
    QCOMPARE(chart.seat(10), nameAt10);
    chart.clickSeat(10);
    QCOMPARE(chart.seat(0), nameAt10);
    QCOMPARE(chart.seat(10), nameAt0);
    QCOMPARE(chart.swapSelection(), SwapSelection());
}

void TestSeatChart::examRoom_data()
{
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<SeatMap>("expected"); // every other seat is empty

    QTest::newRow("five names fill the bottom row from the right")
        << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s}
        << SeatMap{{34, u"A"_s}, {27, u"B"_s}, {20, u"C"_s}, {13, u"D"_s}, {6, u"E"_s}};
    QTest::newRow("an empty name leaves its place empty")
        << QStringList{u"A"_s, QString(), u"C"_s}
        << SeatMap{{34, u"A"_s}, {20, u"C"_s}};
    QTest::newRow("the sixth name turns back at the left")
        << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s, u"F"_s, u"G"_s}
        << SeatMap{{34, u"A"_s}, {27, u"B"_s}, {20, u"C"_s}, {13, u"D"_s}, {6, u"E"_s},
                              {5, u"F"_s}, {12, u"G"_s}};
    QTest::newRow("no names") << QStringList() << SeatMap{};
}

void TestSeatChart::examRoom()
{
    QFETCH(QStringList, names);
    QFETCH(SeatMap, expected);

    SeatChart chart = numberedChart();
    chart.clickSeat(8);
    chart.arrangeExamRoom(names);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        QCOMPARE(chart.seat(i), expected.value(i));
    QCOMPARE(chart.podiumSide(), PodiumSide::Top);
    QCOMPARE(chart.swapSelection(), (SwapSelection{true, 8}));
}

void TestSeatChart::examRoomFollowsSerpentinePath()
{
    // After the rotation the rows run from the bottom up, the bottom row right
    // to left, the next one left to right, and so on.
    QStringList names;
    for (int n = 0; n < 40; ++n)
        names << u"e%1"_s.arg(n);
    SeatChart chart;
    chart.arrangeExamRoom(names);
    for (int n = 0; n < SeatChart::SeatCount; ++n) {
        const int row = 6 - n / 5;
        const bool rightToLeft = (n / 5) % 2 == 0;
        const int column = rightToLeft ? 4 - n % 5 : n % 5;
        QCOMPARE(chart.seat(SeatChart::indexOf(column, row)), names.at(n));
    }
}

void TestSeatChart::examRoomTwiceReturnsPodium()
{
    const QStringList names{u"甲"_s, u"乙"_s, u"丙"_s};
    SeatChart chart;
    chart.arrangeExamRoom(names);
    const QStringList first = seats(chart);
    chart.arrangeExamRoom(names);
    QCOMPARE(seats(chart), first);
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom);
}

QTEST_APPLESS_MAIN(TestSeatChart)
#include "tst_seatchart.moc"
