// Speed and fairness of 随机排座 with seating rules.
//
// Speed: rooms of 35 names with 40 rules each, made from a hidden
// arrangement that meets them (fixed seats, front and back rows, pupils
// apart, deskmates, 每人换座位 in every third room), so that each room can be
// solved; then the same rooms with six more pupils wanting the first row,
// which has five seats, so that none can. Targets: a median under 20 ms for
// the solvable rooms and every unsolvable one shown so in under 1 s.
//
// Fairness: small rooms whose valid arrangements can be listed by trying
// every order of the names. Each room is drawn 20 times per valid
// arrangement, as 随机排座 draws and by the random walk alone (from the first
// arrangement the search finds); the total variation distance between the
// draws and the uniform distribution over the valid arrangements (other than
// the one before) is printed beside the distance that the same number of
// exactly uniform draws shows, the noise of the measurement itself.
//
//   build/bench/bench/bench_draw [ROOMS]

#include "bench/classnames.h"
#include "chart/seatdraw.h"

#include <QElapsedTimer>
#include <QHash>
#include <QRandomGenerator>
#include <QSet>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <numeric>

using namespace Qt::StringLiterals;

namespace {

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

struct Room {
    SeatChart chart;
    SeatRules rules;
};

Room solvableRoom(int number, QRandomGenerator &random)
{
    Room room;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat)
        room.chart.setSeat(seat, ClassNames.at(seat));
    room.chart.setPodiumSide(number % 2 ? PodiumSide::Top : PodiumSide::Bottom);
    SeatChart hidden = room.chart;
    do
        hidden.shuffle(random);
    while (number % 3 == 0 && !SeatRules{{}, true, false}.metBy(room.chart, hidden));
    room.rules.everyoneMoves = number % 3 == 0;
    while (room.rules.rules.size() < 40) {
        const auto rule = ruleMetBy(hidden, random);
        if (rule && rule->isValid() && SeatRules::standing(*rule, hidden) == SeatRules::Standing::Met && !room.rules.rules.contains(*rule))
            room.rules.rules.append(*rule);
    }
    return room;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void speed(int rooms)
{
    QRandomGenerator random(20261207);
    QList<double> solved, clashed;
    int failures = 0;
    for (int number = 0; number < rooms; ++number) {
        Room room = solvableRoom(number, random);
        QElapsedTimer timer;
        timer.start();
        const SeatDraw::Result drawn = SeatDraw::draw(room.chart, room.rules, random);
        solved.append(double(timer.nsecsElapsed()) / 1e6);
        SeatChart after = room.chart;
        after.setArrangement(drawn.arrangement);
        failures += drawn.outcome != SeatDraw::Outcome::Drawn || !room.rules.metBy(room.chart, after);

        for (int pupil = 0; pupil < 6; ++pupil)
            room.rules.rules.append(SeatRule::frontRows(ClassNames.at(pupil), 1));
        timer.restart();
        const SeatDraw::Result clash = SeatDraw::draw(room.chart, room.rules, random);
        clashed.append(double(timer.nsecsElapsed()) / 1e6);
        failures += clash.outcome != SeatDraw::Outcome::Clash;
    }
    std::printf("%d rooms of 35 names and 40 rules\n", rooms);
    std::printf("  solvable:   median %6.2f ms, slowest %7.2f ms (target: median under 20 ms)\n", median(solved),
                *std::max_element(solved.begin(), solved.end()));
    std::printf("  unsolvable: median %6.2f ms, slowest %7.2f ms (target: every one under 1000 ms)\n", median(clashed),
                *std::max_element(clashed.begin(), clashed.end()));
    std::printf("  rooms drawn wrongly, or not shown unsolvable: %d\n", failures);
}

// Every valid arrangement of the room other than the one before, by trying
// every order of its names.
QList<QString> validArrangements(const Room &room)
{
    QList<int> seats;
    QStringList names;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        if (!room.chart.seat(seat).isEmpty()) {
            seats.append(seat);
            names.append(room.chart.seat(seat));
        }
    }
    std::sort(names.begin(), names.end());
    QList<QString> valid;
    SeatChart after = room.chart;
    do {
        for (qsizetype k = 0; k < seats.size(); ++k)
            after.setSeat(seats.at(k), names.at(k));
        if (after != room.chart && room.rules.metBy(room.chart, after))
            valid.append(names.join(u'|'));
    } while (std::next_permutation(names.begin(), names.end()));
    return valid;
}

QString key(const SeatChart &chart)
{
    QStringList names;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        if (!chart.seat(seat).isEmpty())
            names.append(chart.seat(seat));
    }
    return names.join(u'|');
}

double distance(const QHash<QString, int> &counts, const QList<QString> &valid, int draws)
{
    double sum = 0;
    for (const QString &arrangement : valid)
        sum += std::abs(double(counts.value(arrangement)) / draws - 1.0 / double(valid.size()));
    return sum / 2;
}

void fairness(const char *title, const Room &room)
{
    const QList<QString> valid = validArrangements(room);
    const QSet<QString> validSet(valid.begin(), valid.end());
    const int draws = 20 * int(valid.size());
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
    std::printf("  %-44s %6lld valid, %7d draws: TVD %.4f, walk alone %.4f, exactly uniform draws %.4f; invalid %d\n", title, valid.size(),
                draws, distance(drawn, valid, draws), distance(walked, valid, draws), distance(uniform, valid, draws), wrong);
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

} // namespace

int main(int argc, char **argv)
{
    speed(argc > 1 ? std::atoi(argv[1]) : 200);

    std::printf("fairness\n");
    const auto name = [](int k) { return ClassNames.at(k); };
    Room deskmates = smallRoom({0, 1, 7, 8, 14, 15, 21, 22});
    deskmates.rules.rules = {SeatRule::together(name(0), name(5)), SeatRule::apart(name(1), name(2)), SeatRule::frontRows(name(3), 1)};
    fairness("8 names, deskmates, apart, front row", deskmates);

    Room tight = smallRoom({0, 1, 7, 8, 14, 15, 21, 22});
    tight.rules.rules = {SeatRule::fixed(name(0), 1, 1), SeatRule::together(name(1), name(2)), SeatRule::apart(name(3), name(4)),
                         SeatRule::backRows(name(5), 6)};
    tight.rules.newDeskmates = true;
    fairness("8 names, fixed seat, deskmates, 每人换同桌", tight);

    // Too many valid arrangements to list, too few for a random deal to hit
    // one: the draws come from the random walk.
    Room pairs = smallRoom({0, 7, 14, 21, 28, 1, 8, 15, 22, 29});
    pairs.rules.rules = {SeatRule::together(name(0), name(1)), SeatRule::together(name(2), name(3)), SeatRule::together(name(4), name(5)),
                         SeatRule::apart(name(6), name(7))};
    fairness("10 names, three pairs of deskmates, apart", pairs);

    Room moving = smallRoom({0, 7, 14, 21, 28, 1, 8, 15, 22, 29});
    moving.rules.rules = {SeatRule::together(name(0), name(9)), SeatRule::frontRows(name(1), 1), SeatRule::frontRows(name(2), 1)};
    moving.rules.everyoneMoves = true;
    moving.rules.newDeskmates = true;
    fairness("10 names, deskmates, front row, both switches", moving);
}
