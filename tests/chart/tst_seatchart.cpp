#include "chart/charthistory.h"
#include "chart/seatchart.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// One command of the main window on the chart: a click on a seat, or a
// rearrangement.
struct Step {
    void (SeatChart::*operation)() = nullptr; // nullptr: a click on `seat`
    int seat = 0;
};
const Step Left{&SeatChart::shiftLeft}, Right{&SeatChart::shiftRight}, Rotate{&SeatChart::rotate}, Podium{&SeatChart::togglePodium};
Step click(int seat)
{
    return {nullptr, seat};
}

// Seat `first` holds the name or the exam entry given by `second`.
using Seats = QList<std::pair<int, QString>>;

SeatChart numbered()
{
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"s%1"_s.arg(i));
    return chart;
}

// Runs a command on the chart as the window does: one step in the history.
void step(ChartHistory &history, SeatChart &chart, void (SeatChart::*command)())
{
    const SeatChart::Arrangement before = chart.arrangement();
    (chart.*command)();
    history.record(before, chart);
}

} // namespace

Q_DECLARE_METATYPE(Step)

class TestSeatChart : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
    void examRoom_data();
    void examRoom();
    void undoAndRedo();
    void shuffleIsUniform_data();
    void shuffleIsUniform();
};

// Every row starts from a chart whose seat i holds "s<i>", podium at the
// bottom, and checks the listed seats, the podium and the pending click.
void TestSeatChart::commands_data()
{
    QTest::addColumn<QList<Step>>("steps");
    QTest::addColumn<Seats>("seats");
    QTest::addColumn<bool>("podiumTop");
    QTest::addColumn<int>("pending"); // -1: none

    QTest::newRow("first click only remembers") << QList{click(3)} << Seats{{3, u"s3"_s}, {30, u"s30"_s}} << false << 3;
    QTest::newRow("seat 0 is a valid first click") << QList{click(0)} << Seats{{0, u"s0"_s}} << false << 0;
    QTest::newRow("two clicks swap") << QList{click(3), click(30)} << Seats{{3, u"s30"_s}, {30, u"s3"_s}} << false << -1;
    QTest::newRow("same seat twice") << QList{click(5), click(5)} << Seats{{5, u"s5"_s}} << false << -1;
    QTest::newRow("third click starts anew") << QList{click(3), click(30), click(12)} << Seats{{3, u"s30"_s}, {12, u"s12"_s}} << false
                                             << 12;
    QTest::newRow("podium twice") << QList{Podium, Podium} << Seats{} << false << -1;
    QTest::newRow("shift left wraps") << QList{Left} << Seats{{0, u"s7"_s}, {3, u"s10"_s}, {31, u"s3"_s}, {34, u"s6"_s}} << false << -1;
    QTest::newRow("shift right wraps") << QList{Right} << Seats{{0, u"s28"_s}, {7, u"s0"_s}, {27, u"s20"_s}} << false << -1;
    QTest::newRow("rotate") << QList{Rotate} << Seats{{0, u"s34"_s}, {6, u"s28"_s}, {17, u"s17"_s}, {34, u"s0"_s}} << true << -1;
    QTest::newRow("click survives rotate") << QList{click(0), Rotate, click(10)} << Seats{{0, u"s24"_s}, {10, u"s34"_s}} << true << -1;
    QTest::newRow("click survives shift") << QList{click(0), Left} << Seats{{0, u"s7"_s}} << false << 0;
}

void TestSeatChart::commands()
{
    QFETCH(QList<Step>, steps);
    QFETCH(Seats, seats);
    QFETCH(bool, podiumTop);
    QFETCH(int, pending);

    SeatChart chart = numbered();
    for (const Step &step : steps) {
        if (step.operation)
            (chart.*step.operation)();
        else
            chart.clickSeat(step.seat);
    }
    for (const auto &[seat, name] : seats)
        QCOMPARE(chart.seat(seat), name);
    QCOMPARE(chart.podiumSide(), podiumTop ? PodiumSide::Top : PodiumSide::Bottom);
    QCOMPARE(chart.swapSelection(), (pending < 0 ? SwapSelection() : SwapSelection{true, pending}));
}

void TestSeatChart::examRoom_data()
{
    QTest::addColumn<QStringList>("names"); // the examinees in list order, "" for a place left empty
    QTest::addColumn<bool>("twice");
    QTest::addColumn<Seats>("seats");

    QTest::newRow("five") << QStringList{u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s} << false
                          << Seats{{34, u"A"_s}, {27, u"B"_s}, {20, u"C"_s}, {13, u"D"_s}, {6, u"E"_s}, {0, {}}, {33, {}}};
    QStringList forty;
    for (int n = 0; n < 40; ++n)
        forty << u"e%1"_s.arg(n);
    // Each row from the bottom: 0-4 right to left, 5-9 left to right, ...
    QTest::newRow("first 35 used") << forty << false << Seats{{34, u"e0"_s}, {6, u"e4"_s},   {5, u"e5"_s},   {12, u"e6"_s},
                                                              {3, u"e15"_s}, {30, u"e20"_s}, {28, u"e30"_s}, {0, u"e34"_s}};
    QTest::newRow("an empty place") << QStringList{u"e0"_s, {}, u"e2"_s} << false << Seats{{34, u"e0"_s}, {27, {}}, {20, u"e2"_s}};
    QTest::newRow("twice") << forty.mid(0, 3) << true << Seats{{34, u"e0"_s}, {27, u"e1"_s}, {20, u"e2"_s}};
}

void TestSeatChart::examRoom()
{
    QFETCH(QStringList, names);
    QFETCH(bool, twice);
    QFETCH(Seats, seats);

    SeatChart chart = numbered();
    chart.clickSeat(8);
    for (int round = 0; round < (twice ? 2 : 1); ++round)
        chart.arrangeExamRoom(names);
    for (const auto &[seat, name] : seats)
        QCOMPARE(chart.seat(seat), name);
    // Each exam room turns the room, podium included; the click stays.
    QCOMPARE(chart.podiumSide(), twice ? PodiumSide::Bottom : PodiumSide::Top);
    QCOMPARE(chart.swapSelection(), (SwapSelection{true, 8}));
}

void TestSeatChart::undoAndRedo()
{
    ChartHistory history;
    SeatChart chart = numbered();
    chart.clickSeat(4); // a first click is no step
    step(history, chart, &SeatChart::shiftRight);
    const SeatChart::Arrangement shifted = chart.arrangement();
    for (int n = 0; n < ChartHistory::MaxSteps + 20; ++n)
        step(history, chart, &SeatChart::togglePodium);
    const SeatChart::Arrangement before = chart.arrangement();
    chart.clickSeat(4); // seat 4 swapped with itself: no change, so no step
    history.record(before, chart);
    chart.clickSeat(9);
    step(history, chart, &SeatChart::shiftLeft);
    history.undo(chart);
    QVERIFY(history.canRedo());
    int undone = 1;
    for (; history.canUndo(); ++undone)
        history.undo(chart);
    // The oldest steps went first: the shift and the first 21 toggles.
    QCOMPARE(undone, ChartHistory::MaxSteps);
    QCOMPARE(chart.arrangement(), (SeatChart::Arrangement{shifted.seats, PodiumSide::Top}));
    history.redo(chart);
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom);
    // A new step drops what was undone.
    step(history, chart, &SeatChart::rotate);
    QVERIFY(!history.canRedo());
    history.undo(chart);
    QCOMPARE(chart.arrangement(), (SeatChart::Arrangement{shifted.seats, PodiumSide::Bottom}));
    QCOMPARE(chart.swapSelection(), (SwapSelection{true, 9})); // kept through undo and redo
}

void TestSeatChart::shuffleIsUniform_data()
{
    QTest::addColumn<QList<int>>("occupied"); // seats holding a name; the rest are empty
    QTest::addColumn<int>("orders");          // how many arrangements a shuffle may give

    QTest::newRow("three names among gaps") << QList<int>{0, 17, 34} << 5; // 3! orders but the one before
    QTest::newRow("two names") << QList<int>{3, 30} << 1;
    QTest::newRow("one name stays") << QList<int>{12} << 1;
    QTest::newRow("empty room") << QList<int>{} << 1;
}

void TestSeatChart::shuffleIsUniform()
{
    QFETCH(QList<int>, occupied);
    QFETCH(int, orders);

    SeatChart chart;
    for (int seat : occupied)
        chart.setSeat(seat, u"n%1"_s.arg(seat));
    chart.setPodiumSide(PodiumSide::Top);
    chart.clickSeat(7);
    const SeatChart before = chart;
    const bool mustDiffer = occupied.size() > 1;
    const auto seatsBefore = before.arrangement().seats;
    const QStringList was(seatsBefore.begin(), seatsBefore.end());
    QStringList everyone = was;
    everyone.sort();
    QRandomGenerator random(7);
    QMap<QStringList, int> seen;
    constexpr int Shuffles = 5000;
    for (int n = 0; n < Shuffles; ++n) {
        chart = before;
        chart.shuffle(random);
        QCOMPARE(chart.podiumSide(), PodiumSide::Top);
        QCOMPARE(chart.swapSelection(), before.swapSelection());
        QStringList seats;
        for (int i = 0; i < SeatChart::SeatCount; ++i)
            seats << chart.seat(i);
        QCOMPARE(seats != was, mustDiffer);
        ++seen[seats];
    }
    // Each arrangement of the same names in the same seats, equally often.
    QCOMPARE(seen.size(), orders);
    double chiSquare = 0;
    for (auto [seats, count] : seen.asKeyValueRange()) {
        for (int i = 0; i < SeatChart::SeatCount; ++i)
            QCOMPARE(seats.at(i).isEmpty(), before.seat(i).isEmpty());
        QStringList names = seats;
        names.sort();
        QCOMPARE(names, everyone);
        chiSquare += (count - double(Shuffles) / orders) * (count - double(Shuffles) / orders) / (double(Shuffles) / orders);
    }
    QVERIFY2(chiSquare < 18.47, qPrintable(QString::number(chiSquare))); // at most 4 degrees of freedom, p = 0.001
}

QTEST_APPLESS_MAIN(TestSeatChart)
#include "tst_seatchart.moc"
