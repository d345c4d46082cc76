#include "chart/charthistory.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

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

class TestChartHistory : public QObject
{
    Q_OBJECT

private slots:
    void undoAndRedoEveryStep();
    void nothingChangedIsNoStep();
    void keepsTheLatestHundred();
    void shuffleDealsTheNamesAnew_data();
    void shuffleDealsTheNamesAnew();
    void shuffleIsUniform();
};

void TestChartHistory::undoAndRedoEveryStep()
{
    ChartHistory history;
    SeatChart chart = numbered();
    chart.clickSeat(4); // pending, and no step
    QVERIFY(!history.canUndo() && !history.canRedo());
    QList<SeatChart::Arrangement> states{chart.arrangement()};
    for (auto command : {&SeatChart::shiftLeft, &SeatChart::rotate, &SeatChart::togglePodium, &SeatChart::shiftRight}) {
        step(history, chart, command);
        states << chart.arrangement();
    }
    for (qsizetype k = states.size() - 1; k > 0; --k) {
        QVERIFY(history.canUndo());
        history.undo(chart);
        QCOMPARE(chart.arrangement(), states.at(k - 1));
    }
    QVERIFY(!history.canUndo());
    history.redo(chart);
    history.redo(chart);
    QCOMPARE(chart.arrangement(), states.at(2));
    QCOMPARE(chart.swapSelection(), (SwapSelection{true, 4}));
    // A new step drops what was undone.
    step(history, chart, &SeatChart::togglePodium);
    QVERIFY(!history.canRedo());
    history.undo(chart);
    QCOMPARE(chart.arrangement(), states.at(2));
}

void TestChartHistory::nothingChangedIsNoStep()
{
    ChartHistory history;
    SeatChart chart; // empty: shifts change nothing
    step(history, chart, &SeatChart::shiftLeft);
    QVERIFY(!history.canUndo());
    chart.clickSeat(5);
    const SeatChart::Arrangement before = chart.arrangement();
    chart.clickSeat(5); // a seat swapped with itself
    history.record(before, chart);
    QVERIFY(!history.canUndo());
}

void TestChartHistory::keepsTheLatestHundred()
{
    ChartHistory history;
    SeatChart chart = numbered();
    for (int n = 0; n < ChartHistory::MaxSteps + 20; ++n)
        step(history, chart, &SeatChart::togglePodium);
    int undone = 0;
    for (; history.canUndo(); ++undone)
        history.undo(chart);
    QCOMPARE(undone, ChartHistory::MaxSteps);
    QCOMPARE(chart.podiumSide(), PodiumSide::Bottom); // 20 toggles, an even number, before the oldest kept
}

void TestChartHistory::shuffleDealsTheNamesAnew_data()
{
    QTest::addColumn<QList<int>>("occupied"); // seats with a name "n<seat>"; the rest are empty
    QTest::addColumn<bool>("mustDiffer");

    QList<int> everySeat;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        everySeat << i;
    QTest::newRow("a full room") << everySeat << true;
    QTest::newRow("two names") << QList<int>{3, 30} << true;
    QTest::newRow("gaps stay gaps") << QList<int>{0, 1, 2, 17, 33} << true;
    QTest::newRow("one name stays") << QList<int>{12} << false;
    QTest::newRow("empty room") << QList<int>{} << false;
}

void TestChartHistory::shuffleDealsTheNamesAnew()
{
    QFETCH(QList<int>, occupied);
    QFETCH(bool, mustDiffer);

    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        if (occupied.contains(i))
            chart.setSeat(i, u"n%1"_s.arg(i));
    }
    chart.setPodiumSide(PodiumSide::Top);
    chart.clickSeat(7);
    QRandomGenerator random(20261207);
    for (int round = 0; round < 200; ++round) {
        const SeatChart before = chart;
        chart.shuffle(random);
        QCOMPARE(chart.podiumSide(), PodiumSide::Top);
        QCOMPARE(chart.swapSelection(), before.swapSelection());
        QStringList was, is;
        for (int i = 0; i < SeatChart::SeatCount; ++i) {
            QCOMPARE(chart.seat(i).isEmpty(), before.seat(i).isEmpty());
            was << before.seat(i);
            is << chart.seat(i);
        }
        QCOMPARE(is != was, mustDiffer);
        was.sort();
        is.sort();
        QCOMPARE(is, was);
    }
}

void TestChartHistory::shuffleIsUniform()
{
    // Three names have six orders; a shuffle gives one of the five that
    // differ from the one before, each equally often.
    const QStringList names{u"甲"_s, u"乙"_s, u"丙"_s};
    SeatChart chart;
    QRandomGenerator random(7);
    QMap<QString, int> seen;
    constexpr int Shuffles = 10000;
    for (int n = 0; n < Shuffles; ++n) {
        for (int k = 0; k < 3; ++k)
            chart.setSeat(k * 10, names.at(k));
        chart.shuffle(random);
        ++seen[chart.seat(0) + chart.seat(10) + chart.seat(20)];
    }
    QCOMPARE(seen.size(), 5);
    QVERIFY(!seen.contains(names.join(QString())));
    double chiSquare = 0;
    for (const int count : std::as_const(seen))
        chiSquare += (count - Shuffles / 5.0) * (count - Shuffles / 5.0) / (Shuffles / 5.0);
    QVERIFY2(chiSquare < 18.47, qPrintable(QString::number(chiSquare))); // 4 degrees of freedom, p = 0.001
}

QTEST_APPLESS_MAIN(TestChartHistory)
#include "tst_charthistory.moc"
