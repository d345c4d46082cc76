// 随机排座 with rules: every rule kind met, a minimal clash named when they
// cannot all hold, uniform draws, and the search's limit.

#include "chart/seatdraw.h"
#include "chart/seatsolver.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

using Rules = QList<SeatRule>;
using Pinned = QList<std::pair<int, QString>>; // seat index, the name it must hold

// A room as drawn: rows from the top separated by '/', one letter per seat
// from the left, '.' for an empty seat.
SeatChart room(const QString &layout, PodiumSide podium)
{
    SeatChart chart;
    chart.setPodiumSide(podium);
    const QStringList rows = layout.split(u'/');
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows.at(row).size(); ++column) {
            if (rows.at(row).at(column) != u'.')
                chart.setSeat(SeatChart::indexOf(column, row), rows.at(row).at(column));
        }
    }
    return chart;
}

// A full room of 35 one-letter names, and deskmate rules for the first
// 2 * pairs of them, in seat order.
const QString FullRoom = u"ABCDE/FGHIJ/KLMNO/PQRST/UVWXY/Zabcd/efghi"_s;

Rules deskmates(int pairs)
{
    const QString names = QString(FullRoom).remove(u'/');
    Rules rules;
    for (int k = 0; k < pairs; ++k)
        rules.append(SeatRule::together(names.at(2 * k), names.at(2 * k + 1)));
    return rules;
}

// Every pair of the names apart, in order.
Rules pairwiseApart(const QString &names)
{
    Rules rules;
    for (qsizetype a = 0; a < names.size(); ++a) {
        for (qsizetype b = a + 1; b < names.size(); ++b)
            rules.append(SeatRule::apart(names.at(a), names.at(b)));
    }
    return rules;
}

// Pairs of deskmates (names 2k and 2k + 1), the first of each in the front
// rows, and then more rules.
Rules pairsInFront(int pairs, int rows, const Rules &more = {})
{
    Rules rules;
    for (const SeatRule &pair : deskmates(pairs))
        rules += {pair, SeatRule::frontRows(pair.first, rows)};
    return rules + more;
}

SeatRules rulesOf(const Rules &list, int switches)
{
    return {list, (switches & 1) != 0, (switches & 2) != 0};
}

SeatChart drawn(const SeatChart &before, const SeatDraw::Result &result)
{
    SeatChart after = before;
    after.setArrangement(result.arrangement);
    return after;
}

// The names of the occupied seats, in seat order; empty seats stay empty.
QStringList occupants(const SeatChart &before, const SeatChart &after)
{
    QStringList names;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        if (!before.seat(i).isEmpty())
            names.append(after.seat(i));
        else if (!after.seat(i).isEmpty())
            return {u"a name in an empty seat"_s};
    }
    return names;
}

// Every valid arrangement other than the one before, by trying every order.
QSet<QStringList> validArrangements(const SeatChart &before, const SeatRules &rules)
{
    QStringList names = occupants(before, before);
    std::sort(names.begin(), names.end());
    QSet<QStringList> valid;
    do {
        SeatChart after = before;
        for (int i = 0, k = 0; i < SeatChart::SeatCount; ++i) {
            if (!before.seat(i).isEmpty())
                after.setSeat(i, names.at(k++));
        }
        if (after != before && rules.metBy(before, after))
            valid.insert(names);
    } while (std::next_permutation(names.begin(), names.end()));
    return valid;
}

} // namespace

class TestSeatDraw : public QObject
{
    Q_OBJECT

private slots:
    void meetsRules_data();
    void meetsRules();
    void solverSeatsEveryone_data() { meetsRules_data(); }
    void solverSeatsEveryone();
    void clash_data();
    void clash();
    void uniform_data();
    void uniform();
    void apartGroupTooLarge();
    void keepsTheOnlyArrangement();
    void limit();
    void sentencesKeepNames();
    void numberingFollowsThePodium();
    void completeOnRandomRooms();
};

void TestSeatDraw::meetsRules_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<PodiumSide>("podium");
    QTest::addColumn<Rules>("rules");
    QTest::addColumn<int>("switches"); // 1: 每人换座位, 2: 每人换同桌
    QTest::addColumn<Pinned>("pinned");

    const auto top = PodiumSide::Top, bottom = PodiumSide::Bottom;
    // 第1列第1排 is the top left seat as drawn with the podium at the top, the
    // bottom right one with the podium at the bottom.
    QTest::newRow("fixed seat, podium at the top")
        << u"ABCDE/FGHIJ"_s << top << Rules{SeatRule::fixed(u"A"_s, 5, 2)} << 0 << Pinned{{SeatChart::indexOf(4, 1), u"A"_s}};
    QTest::newRow("fixed seat, podium at the bottom")
        << u"ABCDE/FGHIJ/...../...../...../...../KLMNO"_s << bottom << Rules{SeatRule::fixed(u"A"_s, 1, 1), SeatRule::fixed(u"B"_s, 2, 7)}
        << 0 << Pinned{{34, u"A"_s}, {SeatChart::indexOf(3, 0), u"B"_s}};
    QTest::newRow("front rows") << u"ABCDE/...../FGHIJ/...../...../...../KLMNO"_s << bottom
                                << Rules{SeatRule::frontRows(u"A"_s, 1), SeatRule::frontRows(u"B"_s, 1), SeatRule::frontRows(u"C"_s, 2)}
                                << 0 << Pinned{};
    QTest::newRow("back rows") << u"ABCDE/...../...../...../...../FGHIJ/KLMNO"_s << top
                               << Rules{SeatRule::backRows(u"A"_s, 1), SeatRule::backRows(u"B"_s, 2), SeatRule::backRows(u"O"_s, 6)} << 0
                               << Pinned{};
    QTest::newRow("apart") << u"ABCD./EFG.."_s << top
                           << Rules{SeatRule::apart(u"A"_s, u"B"_s), SeatRule::apart(u"A"_s, u"C"_s), SeatRule::apart(u"D"_s, u"E"_s)} << 0
                           << Pinned{};
    QTest::newRow("together") << u"ABCDE/FGHI./J.K.L"_s << top
                              << Rules{SeatRule::together(u"A"_s, u"L"_s), SeatRule::together(u"L"_s, u"F"_s),
                                       SeatRule::together(u"J"_s, u"K"_s)}
                              << 0 << Pinned{};
    QTest::newRow("everyone moves, the fixed pupil stays")
        << u"ABCDE/FG..."_s << top << Rules{SeatRule::fixed(u"A"_s, 1, 1)} << 1 << Pinned{{0, u"A"_s}};
    QTest::newRow("new deskmates") << u"ABCDE/FGHIJ"_s << top << Rules{} << 2 << Pinned{};
    QTest::newRow("both switches, copies of a name") << u"AABC./DD.EF"_s << top << Rules{} << 3 << Pinned{};
    // Seven rows of five take fourteen pairs only with one single pupil in
    // each row, which the search must see before it seats the pairs.
    Rules pairsAndSingles = deskmates(14) + Rules{SeatRule::frontRows(u"i"_s, 1)};
    for (const QChar name : u"cdefgh"_s)
        pairsAndSingles.append(SeatRule::backRows(name, 6));
    QTest::newRow("fourteen pairs of deskmates and seven single pupils") << FullRoom << bottom << pairsAndSingles << 0 << Pinned{};
    // Twelve pupils pairwise apart fit only one to each 2×2 block; pairs of
    // deskmates kept to the front rows fill them side by side.
    QTest::newRow("twelve pupils pairwise apart") << FullRoom << top << pairwiseApart(u"ABCDEFGHIJKL"_s) << 0 << Pinned{};
    QTest::newRow("ten pairs of deskmates in the front five rows") << FullRoom << top << pairsInFront(10, 5) << 0 << Pinned{};
    QTest::newRow("eight pairs in the front four rows, four more there apart in a chain")
        << FullRoom << top
        << pairsInFront(8, 4,
                        {SeatRule::frontRows(u"Q"_s, 4), SeatRule::frontRows(u"R"_s, 4), SeatRule::frontRows(u"S"_s, 4),
                         SeatRule::frontRows(u"T"_s, 4), SeatRule::apart(u"Q"_s, u"R"_s), SeatRule::apart(u"R"_s, u"S"_s),
                         SeatRule::apart(u"S"_s, u"T"_s)})
        << 0 << Pinned{};
    QTest::newRow("pupils not in the class or named twice are ignored")
        << u"AABC"_s << top << Rules{SeatRule::fixed(u"A"_s, 4, 1), SeatRule::fixed(u"Z"_s, 4, 1), SeatRule::fixed(u"B"_s, 4, 1)} << 0
        << Pinned{{SeatChart::indexOf(3, 0), u"B"_s}};
}

void TestSeatDraw::meetsRules()
{
    QFETCH(QString, layout);
    QFETCH(PodiumSide, podium);
    QFETCH(Rules, rules);
    QFETCH(int, switches);
    QFETCH(Pinned, pinned);

    SeatChart before = room(layout, podium);
    before.clickSeat(3);
    const SeatRules seatRules = rulesOf(rules, switches);
    QStringList everyone = occupants(before, before);
    everyone.sort();
    QRandomGenerator random(11);
    for (int n = 0; n < 20; ++n) {
        const SeatDraw::Result result = SeatDraw::draw(before, seatRules, random);
        QCOMPARE(result.outcome, SeatDraw::Outcome::Drawn);
        const SeatChart after = drawn(before, result);
        QVERIFY(seatRules.metBy(before, after));
        QVERIFY(after != before);
        QCOMPARE(after.podiumSide(), podium);
        QStringList names = occupants(before, after);
        names.sort();
        QCOMPARE(names, everyone); // nobody lost or doubled, no gap filled
        for (const auto &[seat, name] : pinned)
            QCOMPARE(after.seat(seat), name);
    }
}

void TestSeatDraw::solverSeatsEveryone()
{
    // The solver alone, with and without a selector per rule, finds an
    // arrangement that meets every rule of each room the draw seats.
    QFETCH(QString, layout);
    QFETCH(PodiumSide, podium);
    QFETCH(Rules, rules);
    QFETCH(int, switches);

    const SeatChart before = room(layout, podium);
    const SeatRules seatRules = rulesOf(rules, switches);
    const QList<int> clauses = SeatDraw::activeClauses(before, seatRules);
    const SeatConstraints constraints(before, seatRules, clauses);
    for (const auto selectors : {SeatSolver::Selectors::None, SeatSolver::Selectors::Each}) {
        SeatSolver solver(before, seatRules, clauses, selectors);
        const SeatSolver::Decision decision = solver.decide(clauses, 1'000'000);
        QCOMPARE(decision.answer, SeatSolver::Answer::Yes);
        QVERIFY(constraints.allFit(decision.places));
        SeatChart after = before;
        after.setArrangement({constraints.seats(decision.places), podium});
        QVERIFY(seatRules.metBy(before, after));
    }
}

void TestSeatDraw::clash_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<Rules>("rules");
    QTest::addColumn<int>("switches");
    QTest::addColumn<QStringList>("clash");
    QTest::addColumn<bool>("counted"); // shown by counting alone, before any search or solver

    // Each room has a rule or a switch besides the clash, which it must leave out.
    QTest::newRow("two pupils fixed to one seat")
        << u"ABC"_s << Rules{SeatRule::fixed(u"A"_s, 1, 1), SeatRule::frontRows(u"C"_s, 1), SeatRule::fixed(u"B"_s, 1, 1)} << 0
        << QStringList{u"A 固定在第1列第1排"_s, u"B 固定在第1列第1排"_s} << true;
    QTest::newRow("four pupils for a first row of three")
        << u"A.B.C/DEFGH"_s
        << Rules{SeatRule::frontRows(u"D"_s, 1), SeatRule::frontRows(u"E"_s, 1), SeatRule::apart(u"A"_s, u"H"_s),
                 SeatRule::frontRows(u"F"_s, 1), SeatRule::frontRows(u"G"_s, 1)}
        << 0 << QStringList{u"D 坐前1排"_s, u"E 坐前1排"_s, u"F 坐前1排"_s, u"G 坐前1排"_s} << true;
    QTest::newRow("a deskmate for a seat without a free neighbour")
        << u"A.B.C/DEFGH"_s << Rules{SeatRule::together(u"C"_s, u"D"_s), SeatRule::fixed(u"C"_s, 5, 1), SeatRule::backRows(u"E"_s, 6)} << 1
        << QStringList{u"C 和 D 同桌"_s, u"C 固定在第5列第1排"_s} << false;
    QTest::newRow("a chain of pupils apart") << u"ABC"_s << Rules{SeatRule::apart(u"A"_s, u"B"_s), SeatRule::apart(u"B"_s, u"C"_s)} << 1
                                             << QStringList{u"A 和 B 不相邻"_s, u"B 和 C 不相邻"_s} << false;
    QTest::newRow("a fixed seat that is empty")
        << u"AB.C"_s << Rules{SeatRule::fixed(u"A"_s, 3, 1), SeatRule::apart(u"B"_s, u"C"_s)} << 0 << QStringList{u"A 固定在第3列第1排"_s} << true;
    QTest::newRow("deskmates sitting together who must change, in a full room")
        << FullRoom << Rules{SeatRule::together(u"h"_s, u"i"_s)} << 2 << QStringList{u"h 和 i 同桌"_s, u"每人换同桌"_s} << false;
    QTest::newRow("deskmates who must change") << u"AB/C"_s << Rules{SeatRule::together(u"A"_s, u"B"_s)} << 3
                                               << QStringList{u"A 和 B 同桌"_s, u"每人换同桌"_s} << false;
    QStringList fifteen;
    for (const SeatRule &rule : deskmates(15))
        fifteen.append(rule.sentence());
    QTest::newRow("fifteen pairs of deskmates in seven rows of five") << FullRoom << deskmates(15) << 0 << fifteen << true;
    // Rows 1 to 3 hold six pairs side by side; the pupils apart are not part of it.
    const QString names = QString(FullRoom).remove(u'/');
    Rules unrelated;
    for (int k = 14; k < 34; ++k)
        unrelated.append(SeatRule::apart(names.at(k), names.at(k + 1)));
    const Rules sevenPairs = pairsInFront(7, 3, unrelated);
    QStringList fourteen;
    for (const SeatRule &rule : sevenPairs.first(14))
        fourteen.append(rule.sentence());
    QTest::newRow("seven pairs in the front three rows, pupils apart besides") << FullRoom << sevenPairs << 0 << fourteen << true;
    const Rules ninePairs = pairsInFront(9, 4);
    QStringList eighteen;
    for (const SeatRule &rule : ninePairs)
        eighteen.append(rule.sentence());
    QTest::newRow("nine pairs in the front four rows") << FullRoom << ninePairs << 0 << eighteen << true;
    // Four pairs and three more pupils for the ten seats of the front two rows.
    const Rules crowded = pairsInFront(4, 2, {SeatRule::frontRows(u"I"_s, 2), SeatRule::frontRows(u"J"_s, 2), SeatRule::frontRows(u"K"_s, 2)});
    QStringList crowdedClash;
    for (const SeatRule &rule : crowded)
        crowdedClash.append(rule.sentence());
    QTest::newRow("four pairs and three pupils for the front two rows")
        << FullRoom << crowded + Rules{SeatRule::apart(u"L"_s, u"M"_s)} << 0 << crowdedClash << true;
    // A row of five holds one chain of three deskmates.
    Rules chains;
    QStringList chainClash;
    for (int k = 0; k < 18; k += 3) {
        chains += {SeatRule::together(names.at(k), names.at(k + 1)), SeatRule::together(names.at(k + 1), names.at(k + 2)),
                   SeatRule::frontRows(names.at(k + 1), 5)};
        for (const SeatRule &rule : chains.last(3))
            chainClash.append(rule.sentence());
    }
    QTest::newRow("six chains of three deskmates in the front five rows") << FullRoom << chains + Rules{SeatRule::backRows(names.at(20), 1)}
                                                                         << 0 << chainClash << true;
    QTest::newRow("three deskmates of one pupil")
        << u"ABCDE"_s << Rules{SeatRule::together(u"C"_s, u"B"_s), SeatRule::together(u"C"_s, u"D"_s), SeatRule::together(u"C"_s, u"A"_s)}
        << 0 << QStringList{u"C 和 B 同桌"_s, u"C 和 D 同桌"_s, u"C 和 A 同桌"_s} << false;
}

void TestSeatDraw::clash()
{
    QFETCH(QString, layout);
    QFETCH(Rules, rules);
    QFETCH(int, switches);
    QFETCH(QStringList, clash);
    QFETCH(bool, counted);

    const SeatChart before = room(layout, PodiumSide::Top);
    QRandomGenerator random(5);
    const SeatDraw::Result result = SeatDraw::draw(before, rulesOf(rules, switches), random);
    QCOMPARE(result.outcome, SeatDraw::Outcome::Clash);
    QCOMPARE(result.clash, clash);
    QCOMPARE(drawn(before, result), before);
    if (!counted) {
        // The solver shows it by itself, and the clauses its answer rests on
        // clash by themselves too.
        const SeatRules seatRules = rulesOf(rules, switches);
        const QList<int> clauses = SeatDraw::activeClauses(before, seatRules);
        SeatSolver solver(before, seatRules, clauses, SeatSolver::Selectors::Each);
        const SeatSolver::Decision decision = solver.decide(clauses, 1'000'000);
        QCOMPARE(decision.answer, SeatSolver::Answer::No);
        QCOMPARE(solver.decide(decision.core, 1'000'000).answer, SeatSolver::Answer::No);
    } else {
        // Within a limit of one step: no search or solver took part.
        const SeatDraw::Result atOnce = SeatDraw::draw(before, rulesOf(rules, switches), random, 1);
        QCOMPARE(atOnce.outcome, SeatDraw::Outcome::Clash);
        QCOMPARE(atOnce.clash, clash);
    }
    // Minimal: without any one of them the rest hold together.
    for (const QString &dropped : clash) {
        SeatRules rest = rulesOf({}, 0);
        for (const QString &kept : clash) {
            for (const SeatRule &rule : rules) {
                if (kept != dropped && rule.sentence() == kept)
                    rest.rules.append(rule);
            }
            rest.everyoneMoves |= kept != dropped && kept == SeatRules::EveryoneMovesText;
            rest.newDeskmates |= kept != dropped && kept == SeatRules::NewDeskmatesText;
        }
        QCOMPARE(SeatDraw::draw(before, rest, random).outcome, SeatDraw::Outcome::Drawn);
    }
}

void TestSeatDraw::uniform_data()
{
    QTest::addColumn<QString>("layout");
    QTest::addColumn<Rules>("rules");
    QTest::addColumn<int>("switches");
    QTest::addColumn<SeatDraw::Method>("method");

    const auto best = SeatDraw::Method::Best, walk = SeatDraw::Method::WalkOnly;
    QTest::newRow("deskmates in a row of five") << u"ABCDE"_s << Rules{SeatRule::together(u"A"_s, u"B"_s)} << 0 << best;
    QTest::newRow("apart and a front row") << u"AB.C./D.E.."_s << Rules{SeatRule::apart(u"A"_s, u"D"_s), SeatRule::frontRows(u"E"_s, 1)}
                                           << 0 << best;
    QTest::newRow("both switches") << u"ABC../DEF.."_s << Rules{} << 3 << best;
    QTest::newRow("one other arrangement") << u"AB"_s << Rules{SeatRule::together(u"A"_s, u"B"_s)} << 0 << best;
    // Too few valid arrangements for random deals to find: they are listed.
    QTest::newRow("listed, copies of a name") << u"AAB.C/DEFG"_s
                                              << Rules{SeatRule::fixed(u"C"_s, 5, 1), SeatRule::together(u"D"_s, u"E"_s),
                                                       SeatRule::frontRows(u"B"_s, 1), SeatRule::backRows(u"F"_s, 6),
                                                       SeatRule::backRows(u"G"_s, 6)}
                                              << 0 << best;
    QTest::newRow("walk: deskmates in a row of four") << u"ABCD"_s << Rules{SeatRule::together(u"A"_s, u"B"_s)} << 0 << walk;
    QTest::newRow("walk: two pairs of deskmates")
        << u"ABCD./EF..."_s << Rules{SeatRule::together(u"A"_s, u"B"_s), SeatRule::together(u"C"_s, u"D"_s)} << 0 << walk;
    // The walk starts where the search first arrives: a pupil between two
    // deskmates may have the first of them on either side, and one beside a
    // fixed pupil in the first seat still has a seat.
    QTest::newRow("walk: a chain of deskmates, the first on the right")
        << u"ABCD"_s << Rules{SeatRule::together(u"A"_s, u"B"_s), SeatRule::together(u"B"_s, u"C"_s), SeatRule::fixed(u"A"_s, 4, 1)} << 0
        << walk;
    QTest::newRow("walk: the deskmate of a pupil fixed in the first seat")
        << u"ABCD"_s << Rules{SeatRule::fixed(u"A"_s, 1, 1), SeatRule::together(u"A"_s, u"B"_s)} << 0 << walk;
    // Only a move of two whole rows carries a chain of three to the other row.
    QTest::newRow("walk: a chain of three deskmates changes rows")
        << u"ABC../DEF.."_s << Rules{SeatRule::together(u"A"_s, u"B"_s), SeatRule::together(u"B"_s, u"C"_s)} << 0 << walk;
    // Each chain must leave its row: the rows go round together, one way or
    // the other, which no two rows can do alone.
    QTest::newRow("walk: three chains of deskmates that must all change rows")
        << u"ABC../DEF../GHI.."_s
        << Rules{SeatRule::together(u"A"_s, u"B"_s), SeatRule::together(u"B"_s, u"C"_s), SeatRule::together(u"D"_s, u"E"_s),
                 SeatRule::together(u"E"_s, u"F"_s), SeatRule::together(u"G"_s, u"H"_s), SeatRule::together(u"H"_s, u"I"_s)}
        << 1 << walk;
    QTest::newRow("walk: both switches, copies of a name") << u"AAB../CDE.."_s << Rules{SeatRule::apart(u"B"_s, u"C"_s)} << 3 << walk;
}

void TestSeatDraw::uniform()
{
    QFETCH(QString, layout);
    QFETCH(Rules, rules);
    QFETCH(int, switches);
    QFETCH(SeatDraw::Method, method);

    const SeatChart before = room(layout, PodiumSide::Top);
    const SeatRules seatRules = rulesOf(rules, switches);
    const QSet<QStringList> valid = validArrangements(before, seatRules);
    QVERIFY(!valid.isEmpty());
    const int draws = 100 * int(valid.size());
    QRandomGenerator random(3);
    QHash<QStringList, int> seen;
    for (int n = 0; n < draws; ++n) {
        const SeatDraw::Result result = SeatDraw::draw(before, seatRules, random, SeatDraw::DefaultStepLimit, method);
        const QStringList names = occupants(before, drawn(before, result));
        QVERIFY2(valid.contains(names), qPrintable(names.join(u' ')));
        ++seen[names];
    }
    const double expected = double(draws) / double(valid.size());
    double chiSquare = 0;
    for (const QStringList &arrangement : valid)
        chiSquare += (seen.value(arrangement) - expected) * (seen.value(arrangement) - expected) / expected;
    // p = 0.001 for k degrees of freedom, by the Wilson-Hilferty approximation.
    const double k = std::max<double>(1, double(valid.size()) - 1);
    const double bound = k * std::pow(1 - 2 / (9 * k) + 3.09 * std::sqrt(2 / (9 * k)), 3) + 4;
    QVERIFY2(chiSquare < bound, qPrintable(u"%1 >= %2"_s.arg(chiSquare).arg(bound)));
}

void TestSeatDraw::apartGroupTooLarge()
{
    // Thirteen pupils pairwise apart, one more than the 2×2 blocks of the
    // room: the clash names the group, and without any one of its pupils
    // the rest fit.
    const QString group = u"ABCDEFGHIJKLM"_s;
    const Rules rules = Rules{SeatRule::frontRows(u"N"_s, 2)} + pairwiseApart(group);
    const SeatChart before = room(FullRoom, PodiumSide::Top);
    QRandomGenerator random(5);
    const SeatDraw::Result result = SeatDraw::draw(before, rulesOf(rules, 0), random);
    QCOMPARE(result.outcome, SeatDraw::Outcome::Clash);
    QStringList expected;
    for (const SeatRule &rule : pairwiseApart(group))
        expected.append(rule.sentence());
    QCOMPARE(result.clash, expected);
    for (const QChar left : group) {
        Rules rest;
        for (const SeatRule &rule : rules) {
            if (!rule.names().contains(QString(left)))
                rest.append(rule);
        }
        QCOMPARE(SeatDraw::draw(before, rulesOf(rest, 0), random).outcome, SeatDraw::Outcome::Drawn);
    }
}

void TestSeatDraw::keepsTheOnlyArrangement()
{
    const SeatChart before = room(u"AB.C"_s, PodiumSide::Bottom);
    QRandomGenerator random(1);
    const SeatRules rules = rulesOf({SeatRule::fixed(u"A"_s, 5, 7), SeatRule::fixed(u"B"_s, 4, 7)}, 0);
    for (const auto method : {SeatDraw::Method::Best, SeatDraw::Method::WalkOnly}) {
        const SeatDraw::Result result = SeatDraw::draw(before, rules, random, SeatDraw::DefaultStepLimit, method);
        QCOMPARE(result.outcome, SeatDraw::Outcome::Drawn);
        QCOMPARE(drawn(before, result), before);
    }
}

void TestSeatDraw::limit()
{
    // Ten pairs of deskmates: a random deal almost never seats them, so the
    // search has to.
    SeatChart before;
    QList<SeatRule> pairs;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        before.setSeat(i, u"p%1"_s.arg(i));
    for (int i = 0; i < 20; i += 2)
        pairs.append(SeatRule::together(u"p%1"_s.arg(i), u"p%1"_s.arg(i + 1)));
    QRandomGenerator random(2);
    const SeatDraw::Result stopped = SeatDraw::draw(before, rulesOf(pairs, 0), random, 20);
    QCOMPARE(stopped.outcome, SeatDraw::Outcome::LimitReached);
    QCOMPARE(drawn(before, stopped), before);
    QCOMPARE(SeatDraw::draw(before, rulesOf(pairs, 0), random).outcome, SeatDraw::Outcome::Drawn);
}

void TestSeatDraw::sentencesKeepNames()
{
    // A "%2" stays in the name; a right-to-left name keeps its direction to itself.
    QCOMPARE(SeatRule::fixed(u"A%2"_s, 2, 3).sentence(), u"A%2 固定在第2列第3排"_s);
    QCOMPARE(SeatRule::apart(u"ئەخمەت"_s, u"王%1"_s).sentence(), u"\u2068ئەخمەت\u2069 和 王%1 不相邻"_s);
}

void TestSeatDraw::numberingFollowsThePodium()
{
    // 旋转 turns the pupils with the room, so a fixed seat still holds;
    // 讲台位置 alone renumbers every seat.
    SeatChart chart = room(u"AB"_s, PodiumSide::Top);
    const SeatRule rule = SeatRule::fixed(u"A"_s, 1, 1);
    QCOMPARE(SeatRules::standing(rule, chart), SeatRules::Standing::Met);
    chart.rotate();
    QCOMPARE(SeatRules::standing(rule, chart), SeatRules::Standing::Met);
    chart.togglePodium();
    QCOMPARE(SeatRules::standing(rule, chart), SeatRules::Standing::NotMet);
}

void TestSeatDraw::completeOnRandomRooms()
{
    // Rooms with rules that a hidden seating meets, so each can be solved:
    // the search must never give up on one, whatever it prunes.
    QRandomGenerator random(17);
    for (int n = 0; n < 300; ++n) {
        SeatChart before;
        before.setPodiumSide(n % 2 ? PodiumSide::Top : PodiumSide::Bottom);
        for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
            if (random.bounded(3) == 0)
                before.setSeat(seat, u"n%1"_s.arg(seat));
        }
        SeatChart hidden = before;
        hidden.shuffle(random);
        SeatRules rules;
        for (int k = 0; k < 12; ++k) {
            const int a = random.bounded(SeatChart::SeatCount);
            const int b = random.bounded(2) ? random.bounded(SeatChart::SeatCount) : a < 28 ? a + SeatChart::Rows : a - SeatChart::Rows;
            const QString &first = hidden.seat(a), &second = hidden.seat(b);
            const SeatRule candidates[] = {SeatRule::fixed(first, hidden.pupilColumn(a), hidden.pupilRow(a)),
                                           SeatRule::frontRows(first, std::min(6, hidden.pupilRow(a))),
                                           SeatRule::backRows(first, std::min(6, SeatChart::Rows + 1 - hidden.pupilRow(a))),
                                           SeatRule::apart(first, second), SeatRule::together(first, second)};
            const SeatRule &rule = candidates[random.bounded(5)];
            if (rule.isValid() && SeatRules::standing(rule, hidden) == SeatRules::Standing::Met)
                rules.rules.append(rule);
        }
        // The search lists the valid arrangements for 随机排座; the walk alone
        // starts from the solver's.
        const auto method = n % 2 ? SeatDraw::Method::Best : SeatDraw::Method::WalkOnly;
        const SeatDraw::Result result = SeatDraw::draw(before, rules, random, SeatDraw::DefaultStepLimit, method);
        QCOMPARE(result.outcome, SeatDraw::Outcome::Drawn);
        QVERIFY(rules.metBy(before, drawn(before, result)));
    }
}

QTEST_APPLESS_MAIN(TestSeatDraw)
#include "tst_seatdraw.moc"
