#include "chart/seatdraw.h"

#include "chart/seatconstraints.h"
#include "chart/seatfacts.h"
#include "chart/seatsampler.h"
#include "chart/seatsearch.h"
#include "chart/seatsolver.h"

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
constexpr qint64 ListingSteps = 5'000;
// Steps of the random walk, per name.
constexpr int MovesPerItem = 20;
constexpr int LeastMoves = 600;
constexpr int WalkRounds = 20;
// Conflicts the solver may take to decide a draw, and to decide each
// question while a clash is narrowed down; far beyond what a class's rules
// take, and about a second.
constexpr qint64 ConflictLimit = 200'000;
constexpr qint64 NarrowingConflicts = 20'000;
constexpr int SolverMilliseconds = 1'500;
// Search steps tried on each question before the solver while a clash is
// narrowed down.
constexpr qint64 QuickSearchSteps = 3'000;

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

// Decides subsets of the clauses: counting first, where it shows a clash at
// once, then the solver, within what is left of the conflicts.
class Decider
{
public:
    Decider(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses, QRandomGenerator &random, qint64 &conflicts)
        : m_chart(chart)
        , m_rules(rules)
        , m_clauses(clauses)
        , m_random(random)
        , m_conflicts(conflicts)
    {
    }

    SeatSolver::Decision decide(const QList<int> &subset, qint64 conflictsAtMost)
    {
        if (const SeatFacts::Clash counted = SeatFacts::clash(m_chart, m_rules, subset); !counted.clauses.isEmpty())
            return {SeatSolver::Answer::No, {}, counted.clauses};
        const bool whole = subset == m_clauses;
        if (!whole) {
            // The parts of a clash are mostly rooms with an arrangement,
            // which the search, pruned for rows and pairs, finds at once.
            const SeatConstraints constraints(m_chart, m_rules, subset);
            qint64 steps = QuickSearchSteps;
            if (SeatSearch(constraints, m_random, steps).run([](const Places &) { return false; }) == SeatSearch::End::Stopped)
                return {SeatSolver::Answer::Yes, {}, {}};
        }
        const qint64 allowed = std::min(conflictsAtMost, m_conflicts);
        // The whole set by a solver without selectors, which decides it far
        // quicker; its parts, while a clash narrows, by one with them.
        std::unique_ptr<SeatSolver> &solver = whole ? m_whole : m_parts;
        if (!solver)
            solver = std::make_unique<SeatSolver>(m_chart, m_rules, m_clauses, whole ? SeatSolver::Selectors::None : SeatSolver::Selectors::Each);
        SeatSolver::Decision decision = solver->decide(subset, allowed, m_deadline);
        // The solver does not say how many it used: an open question costs
        // all it was given, an answer a small share.
        m_conflicts -= decision.answer == SeatSolver::Answer::Unknown ? allowed : std::min<qint64>(allowed, 100);
        return decision;
    }

private:
    const SeatChart &m_chart;
    const SeatRules &m_rules;
    const QList<int> m_clauses;
    QRandomGenerator &m_random;
    // A draw asks the solver for about a second at most, whatever the
    // conflicts: a question that would take longer stays open.
    const QDeadlineTimer m_deadline{SolverMilliseconds};
    std::unique_ptr<SeatSolver> m_whole, m_parts;
    qint64 &m_conflicts;
};

// Narrows clauses that cannot hold together down to a set of which each is
// needed: a clause is left out for good when the rest still clash, and a
// clash the answer names narrows the rest at once. A group of pupils
// pairwise apart, which counting shows, is kept whole: it is one pupil more
// than the room can hold, and each of its pupils is needed. A clause whose
// question stays open within the limit stays.
QList<int> narrowClash(const SeatChart &chart, const SeatRules &rules, QList<int> clauses, Decider &decider)
{
    const SeatFacts::Clash counted = SeatFacts::clash(chart, rules, clauses);
    if (counted.apartGroup)
        clauses = counted.clauses;
    // A clause needed in a set is needed in every clash within it, so what
    // is known stays known as the set narrows.
    QList<int> known;
    if (counted.apartGroup) {
        for (int clause : std::as_const(clauses)) {
            if (clause >= 0 && rules.rules.at(clause).kind == SeatRule::Kind::Apart)
                known.append(clause);
        }
    }
    for (;;) {
        const auto next = std::find_if(clauses.cbegin(), clauses.cend(), [&](int clause) { return !known.contains(clause); });
        if (next == clauses.cend()) {
            // The rules in list order, then the switches.
            const auto order = [](int clause) { return clause >= 0 ? clause : INT_MAX + clause; };
            std::sort(clauses.begin(), clauses.end(), [&](int a, int b) { return order(a) < order(b); });
            return clauses;
        }
        QList<int> without = clauses;
        without.removeAt(next - clauses.cbegin());
        const SeatSolver::Decision decision = decider.decide(without, NarrowingConflicts);
        if (decision.answer != SeatSolver::Answer::No) {
            known.append(*next);
            continue;
        }
        // What the answer rests on, in the order of the list.
        QList<int> narrowed;
        for (int clause : std::as_const(without)) {
            if (decision.core.contains(clause) || known.contains(clause))
                narrowed.append(clause);
        }
        clauses = narrowed;
    }
}

} // namespace

QList<int> SeatDraw::activeClauses(const SeatChart &chart, const SeatRules &rules)
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

    // When the valid arrangements are few, the search lists them all.
    qint64 steps = std::min(stepLimit, ListingSteps);
    QList<Places> found;
    SeatSearch::End end = SeatSearch::End::OutOfSteps;
    if (best && SeatFacts::clash(chart, rules, clauses).clauses.isEmpty()) {
        SeatSearch search(constraints, random, steps);
        end = search.run([&](const Places &places) {
            found.append(places);
            return found.size() < ListedAtMost;
        });
    }
    qint64 conflicts = std::min(stepLimit - (std::min(stepLimit, ListingSteps) - steps), ConflictLimit);
    Decider decider(chart, rules, clauses, random, conflicts);
    if (found.isEmpty()) {
        SeatSolver::Decision decision;
        if (end != SeatSearch::End::Complete)
            decision = decider.decide(clauses, conflicts);
        if (decision.answer == SeatSolver::Answer::Unknown && end != SeatSearch::End::Complete)
            return {Outcome::LimitReached, chart.arrangement(), {}};
        if (decision.answer == SeatSolver::Answer::Yes) {
            found.append(decision.places);
        } else {
            Result result{Outcome::Clash, chart.arrangement(), {}};
            for (int clause : narrowClash(chart, rules, decision.answer == SeatSolver::Answer::No ? decision.core : clauses, decider))
                result.clash.append(clauseText(rules, clause));
            return result;
        }
    }
    // The ones that differ from the arrangement before, when there are any.
    QList<Places> others;
    for (const Places &places : std::as_const(found)) {
        if (constraints.seats(places) != before)
            others.append(places);
    }
    const QList<Places> &candidates = others.isEmpty() ? found : others;
    const Places &start = candidates.at(random.bounded(int(candidates.size())));
    if (end == SeatSearch::End::Complete)
        return arranged(start); // every valid arrangement was listed: exactly uniform
    // A walk long enough to forget where it started; should it end where
    // the draw began, it walks as long again, so that every other
    // arrangement stays as likely as the rest.
    SeatSampler sampler(constraints, start, random);
    const int moves = std::max(MovesPerItem * constraints.itemCount(), LeastMoves);
    for (int round = 0; round < WalkRounds; ++round) {
        for (int move = 0; move < moves; ++move)
            sampler.step();
        if (constraints.seats(sampler.places()) != before)
            return arranged(sampler.places());
    }
    return arranged(start);
}
