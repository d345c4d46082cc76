#include "chart/seatchart.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

// Seat `first` holds the name or the exam entry given by `second`.
using Seats = QList<std::pair<int, QString>>;

SeatChart numbered()
{
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"s%1"_s.arg(i));
    return chart;
}

} // namespace

class TestSeatChart : public QObject
{
    Q_OBJECT

private slots:
    void examRoom_data();
    void examRoom();
    void shuffleIsUniform_data();
    void shuffleIsUniform();
};

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

void TestSeatChart::shuffleIsUniform_data()
{
    QTest::addColumn<QList<int>>("occupied"); // seats holding a name; the rest are empty
    QTest::addColumn<int>("orders");          // how many arrangements a shuffle may give

    QTest::newRow("three names among gaps") << QList<int>{0, 17, 34} << 5; // 3! orders but the one before
    QTest::newRow("two names") << QList<int>{3, 30} << 1;
    QTest::newRow("one name stays") << QList<int>{12} << 1;
}

void TestSeatChart::shuffleIsUniform()
{
    QFETCH(QList<int>, occupied);
    QFETCH(int, orders);

    SeatChart before;
    QStringList names;
    for (int seat : occupied)
        before.setSeat(seat, names.emplace_back(u"n%1"_s.arg(seat)));
    before.setPodiumSide(PodiumSide::Top);
    before.clickSeat(7);
    QStringList everyone = names;
    everyone.sort();
    QRandomGenerator random(7);
    QMap<QStringList, int> seen; // the names in the occupied seats
    constexpr int Shuffles = 5000;
    for (int n = 0; n < Shuffles; ++n) {
        SeatChart chart = before;
        chart.shuffle(random);
        QCOMPARE(std::tuple(chart.podiumSide(), chart.swapSelection()), std::tuple(PodiumSide::Top, SwapSelection{true, 7}));
        const auto seats = chart.arrangement().seats;
        QCOMPARE(std::count(seats.begin(), seats.end(), QString()), SeatChart::SeatCount - occupied.size()); // gaps stay gaps
        QStringList dealt;
        for (int seat : occupied)
            dealt << chart.seat(seat);
        QCOMPARE(dealt != names, occupied.size() > 1);
        ++seen[dealt];
        dealt.sort();
        QCOMPARE(dealt, everyone); // nobody lost or doubled
    }
    // Every other order, each equally often.
    QCOMPARE(seen.size(), orders);
    double chiSquare = 0;
    for (const int count : std::as_const(seen))
        chiSquare += (count - double(Shuffles) / orders) * (count - double(Shuffles) / orders) / (double(Shuffles) / orders);
    QVERIFY2(chiSquare < 18.47, qPrintable(QString::number(chiSquare))); // at most 4 degrees of freedom, p = 0.001
}

QTEST_APPLESS_MAIN(TestSeatChart)
#include "tst_seatchart.moc"
