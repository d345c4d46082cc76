#include "chart/seatchart.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestSeatChart : public QObject
{
    Q_OBJECT

private slots:
    void commands_data();
    void commands();
};

// Each row runs a script on a chart whose seat i holds "s<i>", podium at the
// bottom: "c<k>" clicks seat k, "L" and "R" shift left and right, "T" rotates,
// "P" moves the podium, "E<n>" seats an exam of "e0".."e<n-1>", "E<n>,<x>" the same
// with an empty entry in place x. Then it checks the listed seats
// ("k=name", "k=" for empty), the podium and the pending click; a script
// without "E" must also keep every name exactly once.
void TestSeatChart::commands_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("seats");
    QTest::addColumn<bool>("podiumTop");
    QTest::addColumn<int>("pending"); // -1: none

    QTest::newRow("first click only remembers") << u"c3"_s << u"3=s3 30=s30"_s << false << 3;
    QTest::newRow("seat 0 is a valid first click") << u"c0"_s << u"0=s0"_s << false << 0;
    QTest::newRow("two clicks swap") << u"c3 c30"_s << u"3=s30 30=s3"_s << false << -1;
    QTest::newRow("same seat twice") << u"c5 c5"_s << u"5=s5"_s << false << -1;
    QTest::newRow("third click starts anew") << u"c3 c30 c12"_s << u"3=s30 12=s12"_s << false << 12;
    QTest::newRow("podium twice") << u"P P"_s << u"0=s0"_s << false << -1;
    QTest::newRow("podium once") << u"P"_s << u"0=s0"_s << true << -1;
    QTest::newRow("shift left wraps") << u"L"_s << u"0=s7 3=s10 31=s3 34=s6"_s << false << -1;
    QTest::newRow("shift right wraps") << u"R"_s << u"0=s28 7=s0 31=s24 27=s20"_s << false << -1;
    QTest::newRow("left then right") << u"L R"_s << u"0=s0 31=s31"_s << false << -1;
    QTest::newRow("five lefts") << u"L L L L L"_s << u"3=s3 20=s20"_s << false << -1;
    QTest::newRow("five rights") << u"R R R R R"_s << u"3=s3 20=s20"_s << false << -1;
    QTest::newRow("rotate") << u"T"_s << u"0=s34 6=s28 9=s25 17=s17 34=s0"_s << true << -1;
    QTest::newRow("rotate twice") << u"T T"_s << u"0=s0 9=s9"_s << false << -1;
    QTest::newRow("click survives rotate") << u"c0 T c10"_s << u"0=s24 10=s34"_s << true << -1;
    QTest::newRow("click survives shift") << u"c0 L"_s << u"0=s7"_s << false << 0;
    QTest::newRow("exam of five") << u"c8 E5"_s << u"34=e0 27=e1 20=e2 13=e3 6=e4 0= 33="_s << true << 8;
    QTest::newRow("exam turns at the left") << u"E7"_s << u"6=e4 5=e5 12=e6 19= 26="_s << true << -1;
    QTest::newRow("exam with empty place") << u"E3,1"_s << u"34=e0 27= 20=e2"_s << true << -1;
    QTest::newRow("exam uses first 35") << u"E40"_s << u"34=e0 6=e4 28=e30 0=e34"_s << true << -1;
    QTest::newRow("exam twice") << u"P E3 E3"_s << u"34=e0 27=e1 20=e2"_s << true << -1;
}

void TestSeatChart::commands()
{
    QFETCH(QString, script);
    QFETCH(QString, seats);
    QFETCH(bool, podiumTop);
    QFETCH(int, pending);

    SeatChart chart;
    QStringList everyone;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, everyone.emplace_back(u"s%1"_s.arg(i)));
    for (const QString &step : script.split(u' ')) {
        const QChar command = step.front();
        if (command == u'c') {
            chart.clickSeat(step.mid(1).toInt());
        } else if (command == u'E') {
            const QStringList exam = step.mid(1).split(u',');
            QStringList names;
            for (int n = 0; n < exam.first().toInt(); ++n)
                names << (exam.value(1) == QString::number(n) ? QString() : u"e%1"_s.arg(n));
            chart.arrangeExamRoom(names);
        } else {
            const std::map<QChar, void (SeatChart::*)()> operations{
                {u'L', &SeatChart::shiftLeft}, {u'R', &SeatChart::shiftRight},
                {u'T', &SeatChart::rotate}, {u'P', &SeatChart::togglePodium}};
            (chart.*operations.at(command))();
        }
    }

    for (const QString &seat : seats.split(u' ')) {
        const qsizetype equals = seat.indexOf(u'=');
        QCOMPARE(chart.seat(seat.first(equals).toInt()), seat.mid(equals + 1));
    }
    QCOMPARE(chart.podiumSide(), podiumTop ? PodiumSide::Top : PodiumSide::Bottom);
    QCOMPARE(chart.swapSelection(), (pending < 0 ? SwapSelection() : SwapSelection{true, pending}));
    if (!script.contains(u'E')) {
        QStringList names;
        for (int i = 0; i < SeatChart::SeatCount; ++i)
            names << chart.seat(i);
        names.sort();
        everyone.sort();
        QCOMPARE(names, everyone);
    }
}

QTEST_APPLESS_MAIN(TestSeatChart)
#include "tst_seatchart.moc"

#include <map>
