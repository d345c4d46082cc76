#include "chart/seatdraw.h"

#include "chart/seatconstraints.h"
#include "chart/seatsearch.h"

#include <QRandomGenerator>

using Places = SeatConstraints::Places;
using Seats = std::array<QString, SeatChart::SeatCount>;

namespace {

// Arrangements drawn at random before searching: where one meets the rules it
// is an exactly uniform draw, and light rules are met this way at once.
constexpr int RejectionTries = 100;
// Valid arrangements listed before the draw settles for a random walk: when
// the search lists them all, the draw picks one of them uniformly.
constexpr int ListedAtMost = 1000;
constexpr qint64 ListingSteps = 20'000;
// Moves of the random walk, per name that may move.
constexpr int WalkMovesPerItem = 400;

// The active rules in list order, then the switches that are on.
QList<int> activeClauses(const SeatChart &chart, const SeatRules &rules)
{
    QList<int> clauses;
    for (int i = 0; i < rules.rules.size(); ++i) {
        if (SeatRules::isActive(rules.rules.at(i), chart))
            clauses.append(i);
    }
    if (rules.everyoneMoves)
        clauses.append(SeatConstraints::EveryoneMovesClause);
    if (rules.newDeskmates)
        clauses.append(SeatConstraints::NewDeskmatesClause);
    return clauses;
}

QString clauseText(const SeatRules &rules, int clause)
{
    if (clause == SeatConstraints::EveryoneMovesClause)
        return SeatRules::EveryoneMovesText;
    if (clause == SeatConstraints::NewDeskmatesClause)
        return SeatRules::NewDeskmatesText;
    return rules.rules.at(clause).sentence();
}

// Deals the names that may move over the seats that are not fixed, uniformly,
// until the rules are met by an arrangement other than the one before.
std::optional<Places> byRejection(const SeatConstraints &constraints, const Seats &before, QRandomGenerator &random)
{
    Places places = constraints.placesBefore();
    QList<int> movable;
    SeatConstraints::SeatSet fixedSeats = 0;
    for (int item = 0; item < constraints.itemCount(); ++item) {
        if (!constraints.isFixed(item)) {
            movable.append(item);
            continue;
        }
        const SeatConstraints::SeatSet seat = constraints.domain(item);
        if (seat == 0 || (fixedSeats & seat))
            return std::nullopt; // a clash: the search says which
        fixedSeats |= seat;
        places[std::size_t(item)] = qint8(std::countr_zero(seat));
    }
    QList<qint8> seats;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        if ((constraints.occupied() >> seat & 1) && !(fixedSeats >> seat & 1))
            seats.append(qint8(seat));
    }
    for (int tries = 0; tries < RejectionTries; ++tries) {
        for (qsizetype k = seats.size() - 1; k > 0; --k)
            seats.swapItemsAt(k, random.bounded(int(k) + 1));
        for (qsizetype k = 0; k < movable.size(); ++k)
            places[std::size_t(movable.at(k))] = seats.at(k);
        if (constraints.allFit(places) && constraints.seats(places) != before)
            return places;
    }
    return std::nullopt;
}

} // namespace

namespace {

// A random walk over the valid arrangements. Each move exchanges the names of
// two seats, turns three seats' names round, or exchanges two pairs of
// side-by-side seats (so that deskmates can move together); a move that breaks
// a rule is not made. Every move is as likely as the move that undoes it, so
// the walk tends to every arrangement it can reach equally.
class Walk
{
public:
    Walk(const SeatConstraints &constraints, const Places &start, QRandomGenerator &random)
        : m_constraints(constraints)
        , m_places(start)
        , m_random(random)
    {
        m_holder.fill(-1);
        for (int item = 0; item < constraints.itemCount(); ++item) {
            m_holder[std::size_t(start[std::size_t(item)])] = qint8(item);
            if (!constraints.isFixed(item))
                m_seats.append(start[std::size_t(item)]);
        }
        for (int seat : m_seats) {
            if (m_seats.contains(seat + SeatChart::Rows)) // the seat to its right
                m_pairs.append({seat, seat + SeatChart::Rows});
        }
    }

    const Places &places() const { return m_places; }

    void step()
    {
        if (m_seats.size() < 2)
            return; // nothing can move
        const auto seat = [&] { return m_seats.at(m_random.bounded(int(m_seats.size()))); };
        std::array<int, 4> from{}, to{};
        int n = 0;
        switch (m_random.bounded(4)) {
        case 0:
        case 1: // two seats
            from = {seat(), seat()};
            to = {from[1], from[0]};
            n = 2;
            break;
        case 2: // three seats turned round
            from = {seat(), seat(), seat()};
            to = {from[1], from[2], from[0]};
            n = 3;
            break;
        default: { // two pairs of deskmates
            if (m_pairs.size() < 2)
                return;
            const auto p = m_pairs.at(m_random.bounded(int(m_pairs.size())));
            auto q = m_pairs.at(m_random.bounded(int(m_pairs.size())));
            if (m_random.bounded(2))
                std::swap(q.first, q.second);
            from = {p.first, p.second, q.first, q.second};
            to = {q.first, q.second, p.first, p.second};
            n = 4;
        }
        }
        for (int i = 0; i < n; ++i) {
            for (int j = i + 1; j < n; ++j) {
                if (from[std::size_t(i)] == from[std::size_t(j)])
                    return; // not a move of distinct seats: stay
            }
        }
        move(from, to, n);
        for (int i = 0; i < n; ++i) {
            if (!m_constraints.fits(m_places, m_holder[std::size_t(to[std::size_t(i)])])) {
                move(to, from, n);
                return;
            }
        }
    }

private:
    // The name in from[i] goes to to[i].
    void move(const std::array<int, 4> &from, const std::array<int, 4> &to, int n)
    {
        std::array<qint8, 4> items{};
        for (int i = 0; i < n; ++i)
            items[std::size_t(i)] = m_holder[std::size_t(from[std::size_t(i)])];
        for (int i = 0; i < n; ++i) {
            m_holder[std::size_t(to[std::size_t(i)])] = items[std::size_t(i)];
            m_places[std::size_t(items[std::size_t(i)])] = qint8(to[std::size_t(i)]);
        }
    }

    const SeatConstraints &m_constraints;
    Places m_places;
    QRandomGenerator &m_random;
    std::array<qint8, SeatChart::SeatCount> m_holder{};
    QList<int> m_seats;
    QList<std::pair<int, int>> m_pairs;
};

} // namespace

namespace {

enum class Solvable { Yes, No, Unknown };

Solvable solvable(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses, QRandomGenerator &random, qint64 &steps)
{
    const SeatConstraints constraints(chart, rules, clauses);
    SeatSearch search(constraints, random, steps);
    switch (search.run([](const Places &) { return false; })) {
    case SeatSearch::End::Stopped: return Solvable::Yes;
    case SeatSearch::End::Complete: return Solvable::No;
    case SeatSearch::End::OutOfSteps: break;
    }
    return Solvable::Unknown;
}

// Leaves out one clause after another, for good when the rest still clash:
// what remains clashes, and each of its clauses is needed for that. A clause
// whose question the limit leaves open stays.
QList<int> clash(const SeatChart &chart, const SeatRules &rules, QList<int> clauses, QRandomGenerator &random, qint64 &steps)
{
    for (qsizetype k = 0; k < clauses.size();) {
        QList<int> without = clauses;
        without.removeAt(k);
        if (solvable(chart, rules, without, random, steps) == Solvable::No)
            clauses = without;
        else
            ++k;
    }
    return clauses;
}

} // namespace

SeatDraw::Result SeatDraw::draw(const SeatChart &chart, const SeatRules &rules, QRandomGenerator &random, qint64 stepLimit, Method method)
{
    const QList<int> clauses = activeClauses(chart, rules);
    SeatChart drawn = chart;
    if (clauses.isEmpty()) {
        drawn.shuffle(random);
        return {Outcome::Drawn, drawn.arrangement(), {}};
    }
    const Seats before = chart.arrangement().seats;
    const SeatConstraints constraints(chart, rules, clauses);
    const auto arranged = [&](const Places &places) {
        drawn.setArrangement({constraints.seats(places), chart.podiumSide()});
        return Result{Outcome::Drawn, drawn.arrangement(), {}};
    };
    const bool best = method == Method::Best;
    if (const auto places = best ? byRejection(constraints, before, random) : std::nullopt)
        return arranged(*places);

    qint64 steps = stepLimit;
    QList<Places> found;
    SeatSearch search(constraints, random, steps);
    const SeatSearch::End end = search.run([&](const Places &places) {
        found.append(places);
        return best && found.size() < ListedAtMost && stepLimit - steps < ListingSteps;
    });
    if (found.isEmpty()) {
        if (end == SeatSearch::End::OutOfSteps)
            return {Outcome::LimitReached, chart.arrangement(), {}};
        Result result{Outcome::Clash, chart.arrangement(), {}};
        for (int clause : clash(chart, rules, clauses, random, steps))
            result.clash.append(clauseText(rules, clause));
        return result;
    }
    // The ones that differ from the arrangement before, when there are any.
    QList<Places> others;
    for (const Places &places : std::as_const(found)) {
        if (constraints.seats(places) != before)
            others.append(places);
    }
    const QList<Places> &candidates = others.isEmpty() ? found : others;
    const Places &start = candidates.at(random.bounded(int(candidates.size())));
    if (end == SeatSearch::End::Complete && best)
        return arranged(start); // every valid arrangement was listed: exactly uniform
    Walk walk(constraints, start, random);
    const int moves = WalkMovesPerItem * constraints.itemCount();
    for (int move = 0; move < moves || (constraints.seats(walk.places()) == before && move < 2 * moves); ++move)
        walk.step();
    return arranged(constraints.seats(walk.places()) == before ? start : walk.places());
}
