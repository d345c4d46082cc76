// Speed, completeness and fairness of 随机排座 with seating rules. Four sections,
// each to be run alone or all in turn:
//
// speed: random rooms of 35 names with 10, 40 and 80 rules, made from a hidden
// arrangement that meets them (fixed seats, front and back rows, pupils apart,
// deskmates, 每人换座位 in every third room), so that each can be solved; then
// the same rooms with six more pupils wanting the first row, which has five
// seats, so that none can. Targets: for the solvable rooms a median of at most
// 5 ms and none slower than 50 ms; every unsolvable one shown so in under 1 s.
//
// families: rooms built to be hard, each family a fixed pattern of rules with
// the pupils who play its roles chosen at random: deskmates crowded into the
// front rows, pupils pairwise apart, chains of deskmates, fixed seats with the
// two switches. Some can be solved, some cannot (the comment of each says
// why). A solvable room must be drawn within 100 ms, a seating that meets
// every rule; an unsolvable one shown so within 200 ms by a minimal clash:
// the rules it names cannot hold together, and leaving out any one of them
// lets the rest be drawn. The search limit must never be reached.
//
// chain: three pupils side by side (A 同桌 B, B 同桌 C) and ten others apart
// from B. B is in the first or the last row more often than not, because
// there the ten lose fewer seats; how often exactly is counted below and
// compared with 100,000 draws, each starting from the seating the one before
// left (as a teacher pressing 随机排座 again and again), and as many starting
// from the same chart; then fewer draws by the random walk alone.
//
// fairness: small rooms whose valid arrangements can be listed by trying
// every way to seat the names. Each room is drawn 20 times per valid
// arrangement, as 随机排座 draws and by the random walk alone (from the first
// arrangement the search finds); the draws are compared with the uniform
// distribution over the valid arrangements (other than the one before) by the
// total variation distance and by a chi-square test, beside the same numbers
// for as many exactly uniform draws, the noise of the measurement itself.
//
//   build/bench/bench/bench_draw [ROOMS]
//   build/bench/bench/bench_draw [speed [ROOMS]] [families [ROOMS]] [chain [DRAWS]] [fairness [DRAWS]]
//
// With no section named every one runs with its default size: ROOMS rooms per
// rule count in speed (200), ROOMS rooms per family (20), DRAWS draws of the
// chain for each way of starting (100,000; the walk alone a hundredth of
// that), DRAWS per valid arrangement in fairness (20).

#include "bench/classnames.h"
#include "chart/seatdraw.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <numeric>
#include <optional>

namespace {

struct Room {
    SeatChart chart;
    SeatRules rules;
};

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

double slowest(const QList<double> &values)
{
    return values.isEmpty() ? 0 : *std::max_element(values.begin(), values.end());
}

// The text followed by spaces to fill width columns of a terminal, a Chinese
// character taking two.
QByteArray padded(const char *text, int width)
{
    const QString string = QString::fromUtf8(text);
    int columns = 0;
    for (const QChar c : string)
        columns += c.unicode() >= 0x1100 ? 2 : 1;
    return (string + QString(std::max(0, width - columns), u' ')).toUtf8();
}

const char *verdict(bool met)
{
    return met ? "met" : "MISSED";
}

// The seat that holds name, or -1.
int seatOf(const SeatChart &chart, const QString &name)
{
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        if (chart.seat(seat) == name)
            return seat;
    }
    return -1;
}

template <typename T> void shuffle(QList<T> &list, QRandomGenerator &random)
{
    for (qsizetype k = list.size() - 1; k > 0; --k)
        list.swapItemsAt(k, random.bounded(int(k) + 1));
}

// The class in random seats, the podium on the given side.
SeatChart fullChart(PodiumSide podium, QRandomGenerator &random)
{
    SeatChart chart;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat)
        chart.setSeat(seat, ClassNames.at(seat));
    chart.setPodiumSide(podium);
    chart.shuffle(random);
    return chart;
}

PodiumSide anySide(QRandomGenerator &random)
{
    return random.bounded(2) ? PodiumSide::Top : PodiumSide::Bottom;
}

// ---------------------------------------------------------------------------
// Speed

// A rule about pupils of the hidden arrangement, or none; it may not hold
// there (pupils apart who sit next to each other).
std::optional<SeatRule> ruleMetBy(const SeatChart &hidden, QRandomGenerator &random)
{
    const int a = random.bounded(SeatChart::SeatCount), b = random.bounded(SeatChart::SeatCount);
    const QString &first = hidden.seat(a);
    const int row = hidden.pupilRow(a);
    switch (random.bounded(8)) {
    case 0: return SeatRule::fixed(first, hidden.pupilColumn(a), row);
    case 1:
    case 2:
        return row <= SeatRule::MaxRowCount ? std::optional(SeatRule::frontRows(first, std::max(row, 1 + random.bounded(6))))
                                            : std::nullopt;
    case 3:
    case 4:
        return row > 1 ? std::optional(SeatRule::backRows(first, std::max(SeatChart::Rows + 1 - row, 1 + random.bounded(6))))
                       : std::nullopt;
    case 5:
    case 6: return SeatRule::apart(first, hidden.seat(b));
    default:
        const int beside = SeatChart::columnOf(a) < SeatChart::Columns - 1 ? a + SeatChart::Rows : a - SeatChart::Rows;
        return SeatRule::together(first, hidden.seat(beside));
    }
}

// Adds rules until there are count of them, each met by hidden and none twice.
void addRulesMetBy(SeatRules &rules, const SeatChart &hidden, qsizetype count, QRandomGenerator &random)
{
    while (rules.rules.size() < count) {
        const auto rule = ruleMetBy(hidden, random);
        if (rule && rule->isValid() && SeatRules::standing(*rule, hidden) == SeatRules::Standing::Met && !rules.rules.contains(*rule))
            rules.rules.append(*rule);
    }
}

// A hidden arrangement of chart that meets the switches given.
SeatChart hiddenArrangement(const SeatChart &chart, bool everyoneMoves, bool newDeskmates, QRandomGenerator &random)
{
    const SeatRules switches{{}, everyoneMoves, newDeskmates};
    SeatChart hidden = chart;
    do
        hidden.shuffle(random);
    while (!switches.metBy(chart, hidden));
    return hidden;
}

Room solvableRoom(int number, int ruleCount, QRandomGenerator &random)
{
    Room room;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat)
        room.chart.setSeat(seat, ClassNames.at(seat));
    room.chart.setPodiumSide(number % 2 ? PodiumSide::Top : PodiumSide::Bottom);
    room.rules.everyoneMoves = number % 3 == 0;
    addRulesMetBy(room.rules, hiddenArrangement(room.chart, room.rules.everyoneMoves, false, random), ruleCount, random);
    return room;
}

void speed(int rooms)
{
    std::printf("speed: %d random rooms of 35 names per rule count\n", rooms);
    QRandomGenerator random(20261207);
    for (const int ruleCount : {10, 40, 80}) {
        QList<double> solved, clashed;
        int wrong = 0, missed = 0;
        for (int number = 0; number < rooms; ++number) {
            Room room = solvableRoom(number, ruleCount, random);
            QElapsedTimer timer;
            timer.start();
            const SeatDraw::Result drawn = SeatDraw::draw(room.chart, room.rules, random);
            solved.append(double(timer.nsecsElapsed()) / 1e6);
            SeatChart after = room.chart;
            after.setArrangement(drawn.arrangement);
            wrong += drawn.outcome != SeatDraw::Outcome::Drawn || !room.rules.metBy(room.chart, after);

            for (int pupil = 0; pupil < 6; ++pupil)
                room.rules.rules.append(SeatRule::frontRows(ClassNames.at(pupil), 1));
            timer.restart();
            const SeatDraw::Result clash = SeatDraw::draw(room.chart, room.rules, random);
            clashed.append(double(timer.nsecsElapsed()) / 1e6);
            missed += clash.outcome != SeatDraw::Outcome::Clash;
        }
        std::printf("  %2d rules, solvable:   median %7.2f ms, slowest %8.2f ms; not drawn or drawn wrongly %d"
                    " (target: median at most 5 ms, slowest at most 50 ms: %s)\n",
                    ruleCount, median(solved), slowest(solved), wrong, verdict(median(solved) <= 5 && slowest(solved) <= 50 && wrong == 0));
        std::printf("  %2d rules, unsolvable: median %7.2f ms, slowest %8.2f ms; not shown unsolvable %d"
                    " (target: each under 1000 ms: %s)\n",
                    ruleCount + 6, median(clashed), slowest(clashed), missed, verdict(slowest(clashed) < 1000 && missed == 0));
    }
}

// ---------------------------------------------------------------------------
// Families

// A room of a family, with what its clash must name where that is known (the
// sentences, in any order).
struct FamilyRoom {
    Room room;
    QStringList expectedClash;
};

struct Family {
    const char *title;
    bool solvable;
    // Whether a clash is minimal is asked of its pupils rather than of its
    // rules: leaving out every rule about any one pupil must let the rest be
    // drawn.
    bool minimalByPupils;
    std::function<FamilyRoom(QRandomGenerator &)> make;
};

// The names in random order: which pupil plays which role.
QStringList cast(QRandomGenerator &random)
{
    QStringList names = ClassNames;
    shuffle(names, random);
    return names;
}

QStringList sentences(const QList<SeatRule> &rules)
{
    QStringList texts;
    for (const SeatRule &rule : rules)
        texts.append(rule.sentence());
    return texts;
}

// Pairs of deskmates from names[from], names[from + 1], ...: one of each pair,
// either, sits in the front rows given. Returns the rules.
QList<SeatRule> deskmates(const QStringList &names, int from, int pairs, int frontRows, QRandomGenerator &random)
{
    QList<SeatRule> rules;
    for (int pair = 0; pair < pairs; ++pair) {
        QString a = names.at(from + 2 * pair), b = names.at(from + 2 * pair + 1);
        if (random.bounded(2))
            std::swap(a, b);
        rules.append(SeatRule::together(a, b));
        rules.append(SeatRule::frontRows(random.bounded(2) ? a : b, frontRows));
    }
    return rules;
}

// Every two of names[from] to names[from + count - 1] apart.
QList<SeatRule> pairwiseApart(const QStringList &names, int from, int count)
{
    QList<SeatRule> rules;
    for (int a = from; a < from + count; ++a) {
        for (int b = a + 1; b < from + count; ++b)
            rules.append(SeatRule::apart(names.at(a), names.at(b)));
    }
    return rules;
}

// count different pairs of names[from] to names[from + pool - 1] apart.
QList<SeatRule> randomApart(const QStringList &names, int from, int pool, int count, QRandomGenerator &random)
{
    QList<SeatRule> rules;
    while (rules.size() < count) {
        const int a = from + random.bounded(pool), b = from + random.bounded(pool);
        if (a < b && !rules.contains(SeatRule::apart(names.at(a), names.at(b))))
            rules.append(SeatRule::apart(names.at(a), names.at(b)));
    }
    return rules;
}

// Chains of three deskmates from names[from]: A 同桌 B, B 同桌 C, B in the front
// rows given.
QList<SeatRule> chainsOfThree(const QStringList &names, int from, int chains, int frontRows)
{
    QList<SeatRule> rules;
    for (int chain = 0; chain < chains; ++chain) {
        const QString &a = names.at(from + 3 * chain), &b = names.at(from + 3 * chain + 1), &c = names.at(from + 3 * chain + 2);
        rules += {SeatRule::together(a, b), SeatRule::together(b, c), SeatRule::frontRows(b, frontRows)};
    }
    return rules;
}

// A room of the class in random seats with these rules, in random order.
FamilyRoom familyRoom(QList<SeatRule> rules, QRandomGenerator &random, QStringList expectedClash = {})
{
    shuffle(rules, random);
    return {{fullChart(anySide(random), random), {rules, false, false}}, expectedClash};
}

// A 同桌 B, B 同桌 C and ten others apart from B; B is names.at(1).
QList<SeatRule> chainWithTenApart(const QStringList &names)
{
    QList<SeatRule> rules = {SeatRule::together(names.at(0), names.at(1)), SeatRule::together(names.at(1), names.at(2))};
    for (int other = 3; other < 13; ++other)
        rules.append(SeatRule::apart(names.at(other), names.at(1)));
    return rules;
}

// Why the families can or cannot be solved. A row of five seats holds at most
// two side-by-side pairs, so rows 1 to n hold at most 2n pairs, and with 2n
// pairs there one seat a row is left for anyone else. At most twelve seats of
// the 35 are pairwise apart: each of the twelve blocks of 2 × 2 seats
// (narrower at the last column and row) holds one, and the twelve are the
// seats in odd columns and odd rows, no other choice; so thirteen pupils
// pairwise apart clash even with any one of their rules left out. A row holds
// one chain of three deskmates.
QList<Family> families()
{
    return {
        // Rows 1 to 4 full: two pairs and one of the four a row.
        {"a. 8 pairs, one of each 坐前4排; 4 more 坐前4排 in a chain of 3 不相邻", true, false,
         [](QRandomGenerator &random) {
             const QStringList names = cast(random);
             QList<SeatRule> rules = deskmates(names, 0, 8, 4, random);
             for (int k = 16; k < 20; ++k)
                 rules.append(SeatRule::frontRows(names.at(k), 4));
             for (int k = 16; k < 19; ++k)
                 rules.append(SeatRule::apart(names.at(k), names.at(k + 1)));
             return familyRoom(rules, random);
         }},
        {"b. 10 pairs, one of each 坐前5排", true, false,
         [](QRandomGenerator &random) { return familyRoom(deskmates(cast(random), 0, 10, 5, random), random); }},
        {"c. 12 pairs, one of each 坐前6排", true, false,
         [](QRandomGenerator &random) { return familyRoom(deskmates(cast(random), 0, 12, 6, random), random); }},
        {"d. 11 pupils pairwise 不相邻 (55 rules)", true, false,
         [](QRandomGenerator &random) { return familyRoom(pairwiseApart(cast(random), 0, 11), random); }},
        // One pupil to each 2 × 2 block.
        {"d. 12 pupils pairwise 不相邻 (66 rules)", true, false,
         [](QRandomGenerator &random) { return familyRoom(pairwiseApart(cast(random), 0, 12), random); }},
        // Rows 1 to 4 hold eight pairs.
        {"e. 9 pairs, one of each 坐前4排", false, false,
         [](QRandomGenerator &random) {
             const QList<SeatRule> rules = deskmates(cast(random), 0, 9, 4, random);
             return familyRoom(rules, random, sentences(rules));
         }},
        // Rows 1 to 3 hold six pairs: the fourteen pair and row rules clash,
        // the twenty others take no part in it.
        {"f. 7 pairs, one of each 坐前3排; 20 不相邻 among the others", false, false,
         [](QRandomGenerator &random) {
             const QStringList names = cast(random);
             const QList<SeatRule> pairs = deskmates(names, 0, 7, 3, random);
             return familyRoom(pairs + randomApart(names, 14, 21, 20, random), random, sentences(pairs));
         }},
        // Not minimal rule by rule: without any one rule the room is still
        // unsolvable, so the clash is judged by its pupils.
        {"g. 13 pupils pairwise 不相邻 (78 rules)", false, true,
         [](QRandomGenerator &random) { return familyRoom(pairwiseApart(cast(random), 0, 13), random); }},
        {"h. A 同桌 B, B 同桌 C, 10 others 不相邻 B", true, false,
         [](QRandomGenerator &random) { return familyRoom(chainWithTenApart(cast(random)), random); }},
        // Each of rows 1 to 5 takes one chain and one pair (a chain at one
        // end of the row).
        {"i. 5 chains of 3 deskmates, the middle 坐前5排; 5 pairs, one of each 坐前5排", true, false,
         [](QRandomGenerator &random) {
             const QStringList names = cast(random);
             return familyRoom(chainsOfThree(names, 0, 5, 5) + deskmates(names, 15, 5, 5, random), random);
         }},
        // Six chains for five rows.
        {"j. 6 chains of 3 deskmates, the middle 坐前5排", false, false,
         [](QRandomGenerator &random) {
             const QList<SeatRule> rules = chainsOfThree(cast(random), 0, 6, 5);
             return familyRoom(rules, random, sentences(rules));
         }},
        {"k. 6 fixed seats and 24 more rules met by a hidden seating; 每人换座位, 每人换同桌", true, false,
         [](QRandomGenerator &random) {
             FamilyRoom made{{fullChart(anySide(random), random), {{}, true, true}}, {}};
             const SeatChart hidden = hiddenArrangement(made.room.chart, true, true, random);
             QList<int> seats(SeatChart::SeatCount);
             std::iota(seats.begin(), seats.end(), 0);
             shuffle(seats, random);
             for (int k = 0; k < 6; ++k) {
                 const int seat = seats.at(k);
                 made.room.rules.rules.append(SeatRule::fixed(hidden.seat(seat), hidden.pupilColumn(seat), hidden.pupilRow(seat)));
             }
             addRulesMetBy(made.room.rules, hidden, 30, random);
             shuffle(made.room.rules.rules, random);
             return made;
         }},
        // X sits in the first row and must move, but the other four seats of
        // that row are fixed for others.
        {"l. X 坐前1排 in row 1, the rest of row 1 fixed for others, 每人换座位; 10 不相邻", false, false,
         [](QRandomGenerator &random) {
             FamilyRoom made{{fullChart(anySide(random), random), {{}, true, false}}, {}};
             const SeatChart &chart = made.room.chart;
             const int column = 1 + random.bounded(SeatChart::Columns);
             const QString x = chart.seat(chart.indexAtPupil(column, 1));
             QStringList others = cast(random);
             others.removeOne(x);
             QList<SeatRule> clash = {SeatRule::frontRows(x, 1)};
             for (int other = 1, k = 0; other <= SeatChart::Columns; ++other) {
                 if (other != column)
                     clash.append(SeatRule::fixed(others.at(k++), other, 1));
             }
             made.room.rules.rules = clash + randomApart(others, 4, 30, 10, random);
             shuffle(made.room.rules.rules, random);
             made.expectedClash = sentences(clash) << SeatRules::EveryoneMovesText;
             return made;
         }},
        // Deskmates now who must stay deskmates.
        {"m. A 同桌 B, side by side now, 每人换同桌; 15 不相邻", false, false,
         [](QRandomGenerator &random) {
             FamilyRoom made{{fullChart(anySide(random), random), {{}, false, true}}, {}};
             const SeatChart &chart = made.room.chart;
             const int seat = SeatChart::indexOf(random.bounded(SeatChart::Columns - 1), random.bounded(SeatChart::Rows));
             const SeatRule kept = SeatRule::together(chart.seat(seat), chart.seat(seat + SeatChart::Rows));
             QStringList others = cast(random);
             others.removeOne(kept.first);
             others.removeOne(kept.second);
             made.room.rules.rules = randomApart(others, 0, 33, 15, random);
             made.room.rules.rules.insert(random.bounded(16), kept);
             made.expectedClash = {kept.sentence(), SeatRules::NewDeskmatesText};
             return made;
         }},
    };
}

// The rules and switches a clash names, one rule of the room's for each
// sentence; none when a sentence names nothing of the room's.
std::optional<SeatRules> namedBy(const QStringList &clash, const SeatRules &rules)
{
    SeatRules named;
    for (const QString &text : clash) {
        if (text == SeatRules::EveryoneMovesText && rules.everyoneMoves && !named.everyoneMoves) {
            named.everyoneMoves = true;
            continue;
        }
        if (text == SeatRules::NewDeskmatesText && rules.newDeskmates && !named.newDeskmates) {
            named.newDeskmates = true;
            continue;
        }
        const auto rule = std::find_if(rules.rules.begin(), rules.rules.end(),
                                       [&](const SeatRule &r) { return r.sentence() == text && !named.rules.contains(r); });
        if (rule == rules.rules.end())
            return std::nullopt;
        named.rules.append(*rule);
    }
    return named;
}

enum class Minimality {
    Minimal,    // the named rules clash, and without any one part the rest are drawn
    NotMinimal, // without some part the rest still clash
    Undecided,  // no draw clashed wrongly, but one reached the limit
    NoClash,    // the named rules alone are drawn: they do not clash
    Unnamed,    // a sentence names no rule of the room
};

// Whether the clash the draw named is one, and a minimal one. A part is one
// rule or switch, or, by pupils, every rule that names one pupil.
Minimality minimality(const Room &room, const QStringList &clash, bool byPupils, QRandomGenerator &random)
{
    const std::optional<SeatRules> named = namedBy(clash, room.rules);
    if (!named)
        return Minimality::Unnamed;
    QList<SeatRules> withoutOne;
    if (byPupils) {
        QStringList pupils;
        for (const SeatRule &rule : named->rules) {
            for (const QString &pupil : rule.names()) {
                if (!pupils.contains(pupil))
                    pupils.append(pupil);
            }
        }
        for (const QString &pupil : std::as_const(pupils)) {
            SeatRules rest = *named;
            rest.rules.removeIf([&](const SeatRule &rule) { return rule.names().contains(pupil); });
            withoutOne.append(rest);
        }
    } else {
        for (qsizetype k = 0; k < named->rules.size(); ++k) {
            SeatRules rest = *named;
            rest.rules.removeAt(k);
            withoutOne.append(rest);
        }
    }
    if (named->everyoneMoves)
        withoutOne.append({named->rules, false, named->newDeskmates});
    if (named->newDeskmates)
        withoutOne.append({named->rules, named->everyoneMoves, false});

    const SeatDraw::Outcome whole = SeatDraw::draw(room.chart, *named, random).outcome;
    if (whole == SeatDraw::Outcome::Drawn)
        return Minimality::NoClash;
    bool undecided = whole == SeatDraw::Outcome::LimitReached;
    for (const SeatRules &rest : std::as_const(withoutOne)) {
        switch (SeatDraw::draw(room.chart, rest, random).outcome) {
        case SeatDraw::Outcome::Drawn: break;
        case SeatDraw::Outcome::Clash: return Minimality::NotMinimal;
        case SeatDraw::Outcome::LimitReached: undecided = true; break;
        }
    }
    return undecided ? Minimality::Undecided : Minimality::Minimal;
}

QString sorted(QStringList texts)
{
    texts.sort();
    return texts.join(u'\n');
}

void family(const Family &family, int rooms, QRandomGenerator &random)
{
    QList<double> ms;
    QList<double> named;
    int drawn = 0, clashed = 0, limit = 0, broken = 0, asExpected = 0, expectations = 0;
    qsizetype expectedSize = 0;
    QHash<Minimality, int> minimal;
    for (int number = 0; number < rooms; ++number) {
        const FamilyRoom made = family.make(random);
        const Room &room = made.room;
        QElapsedTimer timer;
        timer.start();
        const SeatDraw::Result result = SeatDraw::draw(room.chart, room.rules, random);
        ms.append(double(timer.nsecsElapsed()) / 1e6);
        switch (result.outcome) {
        case SeatDraw::Outcome::Drawn: {
            ++drawn;
            SeatChart after = room.chart;
            after.setArrangement(result.arrangement);
            broken += !room.rules.metBy(room.chart, after);
            break;
        }
        case SeatDraw::Outcome::Clash:
            ++clashed;
            named.append(double(result.clash.size()));
            ++minimal[minimality(room, result.clash, family.minimalByPupils, random)];
            if (!made.expectedClash.isEmpty()) {
                ++expectations;
                expectedSize = made.expectedClash.size();
                asExpected += sorted(result.clash) == sorted(made.expectedClash);
            }
            break;
        case SeatDraw::Outcome::LimitReached: ++limit; break;
        }
    }

    std::printf("%s: %s\n", family.title, family.solvable ? "solvable" : "unsolvable");
    std::printf("    %d rooms: Drawn %d, Clash %d, LimitReached %d; median %.2f ms, slowest %.2f ms\n", rooms, drawn, clashed, limit,
                median(ms), slowest(ms));
    if (drawn > 0)
        std::printf("    drawn seatings that meet every rule: %d of %d\n", drawn - broken, drawn);
    if (clashed > 0) {
        std::printf("    clashes naming %.0f rules (median; %.0f to %.0f)", median(named), *std::min_element(named.begin(), named.end()),
                    slowest(named));
        if (expectations > 0)
            std::printf(", naming just the %lld expected: %d of %d", qlonglong(expectedSize), asExpected, expectations);
        std::printf("\n    minimal %s: %d of %d (not minimal %d, undecided %d; the rules named met by themselves %d;"
                    " a sentence naming no rule %d)\n",
                    family.minimalByPupils ? "by pupils" : "rule by rule", minimal.value(Minimality::Minimal), clashed,
                    minimal.value(Minimality::NotMinimal), minimal.value(Minimality::Undecided), minimal.value(Minimality::NoClash),
                    minimal.value(Minimality::Unnamed));
    }
    const bool met = family.solvable
        ? drawn == rooms && broken == 0 && slowest(ms) <= 100
        : clashed == rooms && minimal.value(Minimality::Minimal) == rooms && asExpected == expectations && slowest(ms) <= 200;
    std::printf("    target (%s): %s\n", family.solvable ? "each Drawn within 100 ms" : "each a minimal Clash within 200 ms", verdict(met));
}

void families(int rooms)
{
    std::printf("families: %d rooms each, the roles given to pupils at random\n", rooms);
    QRandomGenerator random(20261208);
    for (const Family &each : families())
        family(each, rooms, random);
}

// ---------------------------------------------------------------------------
// Chain

// How often B is seen in the first or the last row, in the order drawn.
struct EdgeRows {
    QList<bool> seen; // one for each seating drawn
    int notDrawn = 0;
    int broken = 0; // seatings that break a rule
};

EdgeRows edgeRows(const Room &room, const QString &middle, int draws, SeatDraw::Method method, bool chained, QRandomGenerator &random)
{
    EdgeRows counted;
    SeatChart before = room.chart;
    for (int k = 0; k < draws; ++k) {
        const SeatDraw::Result result = SeatDraw::draw(before, room.rules, random, SeatDraw::DefaultStepLimit, method);
        if (result.outcome != SeatDraw::Outcome::Drawn) {
            ++counted.notDrawn;
            continue;
        }
        SeatChart after = before;
        after.setArrangement(result.arrangement);
        counted.broken += !room.rules.metBy(before, after);
        const int row = after.pupilRow(seatOf(after, middle));
        counted.seen.append(row == 1 || row == SeatChart::Rows);
        if (chained)
            before = after;
    }
    return counted;
}

// The observed frequency against the exact probability. The binomial error
// assumes independent draws; draws that each start from the one before may
// not be, so the error is also estimated from the spread of the means of
// consecutive batches of draws.
void reportEdgeRows(const char *title, const EdgeRows &counted, double exact)
{
    const auto n = counted.seen.size();
    if (n == 0) {
        std::printf("  %s nothing drawn (not drawn %d)\n", padded(title, 42).constData(), counted.notDrawn);
        return;
    }
    const double observed = double(counted.seen.count(true)) / double(n);
    const double error = std::sqrt(exact * (1 - exact) / double(n));
    constexpr int Batches = 50;
    double batchError = 0;
    if (n >= 2 * Batches) {
        QList<double> means;
        const qsizetype size = n / Batches;
        for (int batch = 0; batch < Batches; ++batch)
            means.append(double(std::count(counted.seen.begin() + batch * size, counted.seen.begin() + (batch + 1) * size, true))
                         / double(size));
        const double mean = std::accumulate(means.begin(), means.end(), 0.0) / Batches;
        double squares = 0;
        for (double m : std::as_const(means))
            squares += (m - mean) * (m - mean);
        batchError = std::sqrt(squares / (Batches - 1) / Batches);
    }
    const double z = (observed - exact) / error;
    std::printf("  %s %7lld draws: %.4f ± %.4f, z = %6.2f", padded(title, 42).constData(), qlonglong(n), observed, error, z);
    if (batchError > 0)
        std::printf(" (batch means ± %.4f, z = %6.2f)", batchError, (observed - exact) / batchError);
    std::printf("; not drawn %d, breaking a rule %d; fair at p = 0.001 (|z| < 3.29): %s\n", counted.notDrawn, counted.broken,
                std::abs(z) < 3.29 ? "yes" : "NO");
}

void chain(int draws)
{
    QRandomGenerator random(20261209);
    const QStringList names = cast(random);
    const Room room{fullChart(PodiumSide::Top, random), {chainWithTenApart(names), false, false}};
    const QString &middle = names.at(1);
    // B between A and C in a row is never at its end, so its other neighbours
    // are three seats in the first or the last row and six in any other; the
    // ten go to the 29 or the 26 seats left, and the other 22 pupils to the
    // rest. The ways to seat them weigh the two edge rows against the five
    // inner ones by r = 29!/19! : 26!/16!.
    const double r = (29.0 * 28 * 27) / (19.0 * 18 * 17);
    const double exact = 2 * r / (2 * r + 5);
    std::printf("chain: %s, %s, and %s to %s each 不相邻 %s; the podium at the top\n", qUtf8Printable(room.rules.rules.at(0).sentence()),
                qUtf8Printable(room.rules.rules.at(1).sentence()), qUtf8Printable(names.at(3)), qUtf8Printable(names.at(12)),
                qUtf8Printable(middle));
    std::printf("  P(%s in row 1 or 7) = 2r / (2r + 5), r = (29·28·27) / (19·18·17) = %.4f: %.4f\n", qUtf8Printable(middle), r, exact);
    const int walks = std::max(1, draws / 100);
    reportEdgeRows("随机排座, each from the seating before", edgeRows(room, middle, draws, SeatDraw::Method::Best, true, random), exact);
    reportEdgeRows("随机排座, each from the same chart", edgeRows(room, middle, draws, SeatDraw::Method::Best, false, random), exact);
    reportEdgeRows("walk alone, each from the seating before", edgeRows(room, middle, walks, SeatDraw::Method::WalkOnly, true, random),
                   exact);
    reportEdgeRows("walk alone, each from the same chart", edgeRows(room, middle, walks, SeatDraw::Method::WalkOnly, false, random), exact);
}

// ---------------------------------------------------------------------------
// Fairness

QString key(const SeatChart &chart)
{
    QStringList names;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        if (!chart.seat(seat).isEmpty())
            names.append(chart.seat(seat));
    }
    return names.join(u'|');
}

// Seats the names left in the seats from seats[placed] on, every way there
// is; a way is given up as soon as a rule about the pupils seated so far is
// broken (a rule about seated pupils stands whoever else comes), and each
// complete seating is judged whole.
void seatRest(const Room &room, const QList<SeatRule> &active, const QList<int> &seats, qsizetype placed, QStringList &left,
              SeatChart &after, QList<QString> &valid)
{
    if (left.isEmpty()) {
        if (after != room.chart && room.rules.metBy(room.chart, after))
            valid.append(key(after));
        return;
    }
    for (qsizetype k = 0; k < left.size(); ++k) {
        const QString name = left.takeAt(k);
        after.setSeat(seats.at(placed), name);
        const bool broken = std::any_of(active.begin(), active.end(), [&](const SeatRule &rule) {
            return rule.names().contains(name) && SeatRules::standing(rule, after) == SeatRules::Standing::NotMet;
        });
        if (!broken)
            seatRest(room, active, seats, placed + 1, left, after, valid);
        left.insert(k, name);
    }
    after.setSeat(seats.at(placed), QString());
}

// Every valid arrangement of the room other than the one before.
QList<QString> validArrangements(const Room &room)
{
    QList<int> seats;
    QStringList names;
    SeatChart after = room.chart;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        if (!room.chart.seat(seat).isEmpty()) {
            seats.append(seat);
            names.append(room.chart.seat(seat));
            after.setSeat(seat, QString());
        }
    }
    QList<SeatRule> active;
    for (const SeatRule &rule : room.rules.rules) {
        if (SeatRules::isActive(rule, room.chart))
            active.append(rule);
    }
    QList<QString> valid;
    seatRest(room, active, seats, 0, names, after, valid);
    return valid;
}

// P(X ≥ x) for X chi-square distributed with k degrees of freedom, by the
// cube-root normal approximation of Wilson and Hilferty, close for the many
// degrees of freedom here.
double chiSquareSurvival(double x, double k)
{
    const double v = 2 / (9 * k);
    const double z = (std::cbrt(x / k) - (1 - v)) / std::sqrt(v);
    return 0.5 * std::erfc(z / std::sqrt(2.0));
}

// How far counts over the valid arrangements are from uniform: the total
// variation distance, and Pearson's chi-square with its p-value.
void printDistance(const char *title, const QHash<QString, int> &counts, const QList<QString> &valid)
{
    qint64 draws = 0;
    for (const QString &arrangement : valid)
        draws += counts.value(arrangement);
    const double expected = double(draws) / double(valid.size());
    double tvd = 0, chiSquare = 0;
    for (const QString &arrangement : valid) {
        const double seen = counts.value(arrangement);
        tvd += std::abs(seen - expected) / double(draws) / 2;
        chiSquare += (seen - expected) * (seen - expected) / expected;
    }
    const double p = chiSquareSurvival(chiSquare, double(valid.size() - 1));
    std::printf("    %s TVD %.4f, chi-square %9.1f (df %lld), p = %.4f: %s\n", padded(title, 16).constData(), tvd, chiSquare,
                qlonglong(valid.size() - 1), p, p >= 0.001 ? "uniform at p = 0.001" : "NOT UNIFORM at p = 0.001");
}

void fairness(const char *title, const Room &room, int perArrangement)
{
    const QList<QString> valid = validArrangements(room);
    const QSet<QString> validSet(valid.begin(), valid.end());
    const int draws = perArrangement * int(valid.size());
    QRandomGenerator random(7);
    QHash<QString, int> drawn, walked, uniform;
    int wrong = 0;
    for (int k = 0; k < draws; ++k) {
        for (auto [method, counts] : {std::pair(SeatDraw::Method::Best, &drawn), std::pair(SeatDraw::Method::WalkOnly, &walked)}) {
            SeatChart after = room.chart;
            after.setArrangement(SeatDraw::draw(room.chart, room.rules, random, SeatDraw::DefaultStepLimit, method).arrangement);
            ++(*counts)[key(after)];
            wrong += !validSet.contains(key(after)) ? 1 : 0;
        }
        ++uniform[valid.at(random.bounded(int(valid.size())))];
    }
    std::printf("  %s: %lld valid arrangements, %d draws each way; invalid %d\n", title, qlonglong(valid.size()), draws, wrong);
    printDistance("随机排座", drawn, valid);
    printDistance("walk alone", walked, valid);
    printDistance("exactly uniform", uniform, valid);
}

// Names in the given seats, the podium at the top.
Room smallRoom(const QList<int> &seats)
{
    Room room;
    room.chart.setPodiumSide(PodiumSide::Top);
    for (qsizetype k = 0; k < seats.size(); ++k)
        room.chart.setSeat(seats.at(k), ClassNames.at(k));
    return room;
}

void fairness(int perArrangement)
{
    std::printf("fairness: %d draws per valid arrangement\n", perArrangement);
    const auto name = [](int k) { return ClassNames.at(k); };
    Room deskmates = smallRoom({0, 1, 7, 8, 14, 15, 21, 22});
    deskmates.rules.rules = {SeatRule::together(name(0), name(5)), SeatRule::apart(name(1), name(2)), SeatRule::frontRows(name(3), 1)};
    fairness("8 names, deskmates, apart, front row", deskmates, perArrangement);

    Room tight = smallRoom({0, 1, 7, 8, 14, 15, 21, 22});
    tight.rules.rules = {SeatRule::fixed(name(0), 1, 1), SeatRule::together(name(1), name(2)), SeatRule::apart(name(3), name(4)),
                         SeatRule::backRows(name(5), 6)};
    tight.rules.newDeskmates = true;
    fairness("8 names, fixed seat, deskmates, 每人换同桌", tight, perArrangement);

    // Too many valid arrangements to list, too few for a random deal to hit
    // one: the draws come from the random walk.
    Room pairs = smallRoom({0, 7, 14, 21, 28, 1, 8, 15, 22, 29});
    pairs.rules.rules = {SeatRule::together(name(0), name(1)), SeatRule::together(name(2), name(3)), SeatRule::together(name(4), name(5)),
                         SeatRule::apart(name(6), name(7))};
    fairness("10 names, three pairs of deskmates, apart", pairs, perArrangement);

    Room moving = smallRoom({0, 7, 14, 21, 28, 1, 8, 15, 22, 29});
    moving.rules.rules = {SeatRule::together(name(0), name(9)), SeatRule::frontRows(name(1), 1), SeatRule::frontRows(name(2), 1)};
    moving.rules.everyoneMoves = true;
    moving.rules.newDeskmates = true;
    fairness("10 names, deskmates, front row, both switches", moving, perArrangement);
}

// ---------------------------------------------------------------------------

struct Section {
    const char *word;
    int size; // rooms or draws, as the section counts them
    std::function<void(int)> run;
    bool chosen = false;
};

} // namespace

int main(int argc, char **argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each line as soon as it is known
    QList<Section> sections = {
        {"speed", 200, [](int rooms) { speed(rooms); }},
        {"families", 20, [](int rooms) { families(rooms); }},
        {"chain", 100'000, [](int draws) { chain(draws); }},
        {"fairness", 20, [](int perArrangement) { fairness(perArrangement); }},
    };
    const auto number = [](const char *text) {
        char *end = nullptr;
        const long value = std::strtol(text, &end, 10);
        return *text != '\0' && *end == '\0' && value > 0 && value <= 100'000'000 ? int(value) : 0;
    };
    bool any = false;
    for (int k = 1; k < argc; ++k) {
        if (k == 1 && argc == 2 && number(argv[k])) {
            sections[0].size = number(argv[k]); // every section, this many speed rooms
            break;
        }
        const auto section = std::find_if(sections.begin(), sections.end(),
                                          [&](const Section &s) { return std::strcmp(s.word, argv[k]) == 0; });
        if (section == sections.end()) {
            std::fprintf(stderr, "usage: %s [ROOMS] | [speed [ROOMS]] [families [ROOMS]] [chain [DRAWS]] [fairness [DRAWS]]\n", argv[0]);
            return 2;
        }
        section->chosen = any = true;
        if (k + 1 < argc && number(argv[k + 1]))
            section->size = number(argv[++k]);
    }
    for (const Section &section : std::as_const(sections)) {
        if (any && !section.chosen)
            continue;
        QElapsedTimer timer;
        timer.start();
        section.run(section.size);
        std::printf("(%s: %.0f s)\n\n", section.word, double(timer.elapsed()) / 1000);
    }
}
