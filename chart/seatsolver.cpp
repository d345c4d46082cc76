#include "chart/seatsolver.h"

#include "chart/seatfacts.h"

#include <cadical.hpp>

#include <bit>

using SeatSet = SeatConstraints::SeatSet;

namespace {

// The seats of the chart's rows that pass, in its numbering.
template <typename Pass> SeatSet rowsWhere(const SeatChart &chart, Pass pass)
{
    SeatSet seats = 0;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        if (pass(chart.pupilRow(i)))
            seats |= SeatConstraints::bit(i);
    }
    return seats;
}

// A group pairwise apart this many blocks short of filling a cut of the
// room is told which blocks it must fill; with more to spare it is loose
// enough for the solver alone.
constexpr int MostSpareBlocks = 3;

template <typename Each> void forEachSeat(SeatSet seats, Each each)
{
    for (; seats; seats &= seats - 1)
        each(std::countr_zero(seats));
}

} // namespace

SeatSolver::SeatSolver(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses, Selectors selectors)
    : m_items(chart, rules, {})
    , m_clauses(clauses)
    , m_selectors(selectors == Selectors::Each)
    , m_solver(std::make_unique<CaDiCaL::Solver>())
{
    const int items = m_items.itemCount();
    const SeatSet occupied = m_items.occupied();
    m_solver->reserve(SeatChart::SeatCount * SeatChart::SeatCount + int(clauses.size()));
    // Each item takes one occupied seat and each occupied seat one item.
    for (int item = 0; item < items; ++item) {
        forEachSeat(occupied, [&](int seat) { m_solver->add(variable(item, seat)); });
        m_solver->add(0);
        forEachSeat(occupied, [&](int seat) {
            forEachSeat(occupied & ~((SeatConstraints::bit(seat) << 1) - 1), [&](int later) { add({-variable(item, seat), -variable(item, later)}); });
        });
        forEachSeat(~occupied & (SeatConstraints::bit(SeatChart::SeatCount) - 1), [&](int seat) { add({-variable(item, seat)}); });
    }
    forEachSeat(occupied, [&](int seat) {
        for (int item = 0; item < items; ++item)
            m_solver->add(variable(item, seat));
        m_solver->add(0);
        for (int item = 0; item < items; ++item) {
            for (int later = item + 1; later < items; ++later)
                add({-variable(item, seat), -variable(later, seat)});
        }
    });

    // A fixed pupil keeps the seat under 每人换座位 while the fixed seat holds.
    const auto fixedSelectors = [&](int item) {
        QList<int> found;
        for (int clause : clauses) {
            if (clause >= 0 && rules.rules.at(clause).kind == SeatRule::Kind::Fixed && m_items.itemOf(rules.rules.at(clause).first) == item)
                found.append(selector(clause));
        }
        return found;
    };
    const auto keepOut = [&](int clause, int item, SeatSet allowed) {
        forEachSeat(occupied & ~allowed, [&](int seat) { add({off(clause), -variable(item, seat)}); });
    };
    for (int clause : clauses) {
        if (clause == SeatConstraints::EveryoneMovesClause) {
            for (int item = 0; item < items; ++item) {
                const QList<int> fixed = fixedSelectors(item);
                for (int other = 0; other < items; ++other) {
                    if (m_items.name(other) != m_items.name(item))
                        continue;
                    if (!m_selectors && !fixed.isEmpty())
                        continue; // fixed for good: stays
                    add({off(clause), -variable(item, m_items.seatBefore(other))}, fixed);
                }
            }
            continue;
        }
        if (clause == SeatConstraints::NewDeskmatesClause) {
            // Every copy of a name with every copy of the other, as the draw
            // counts deskmates by name.
            const auto satBeside = [&](const QString &first, const QString &second) {
                for (int x = 0; x < items; ++x) {
                    for (int y = 0; y < items; ++y) {
                        if (m_items.name(x) == first && m_items.name(y) == second
                            && (SeatConstraints::sideBySide(m_items.seatBefore(x)) & SeatConstraints::bit(m_items.seatBefore(y))))
                            return true;
                    }
                }
                return false;
            };
            for (int a = 0; a < items; ++a) {
                for (int b = a + 1; b < items; ++b) {
                    if (m_items.name(a) == m_items.name(b) || !satBeside(m_items.name(a), m_items.name(b)))
                        continue;
                    forEachSeat(occupied, [&](int seat) {
                        forEachSeat(occupied & SeatConstraints::sideBySide(seat),
                                    [&](int beside) { add({off(clause), -variable(a, seat), -variable(b, beside)}); });
                    });
                }
            }
            continue;
        }
        const SeatRule &rule = rules.rules.at(clause);
        const int item = m_items.itemOf(rule.first);
        const int other = rule.pairsPupils() ? m_items.itemOf(rule.second) : -1;
        switch (rule.kind) {
        case SeatRule::Kind::Fixed: keepOut(clause, item, SeatConstraints::bit(chart.indexAtPupil(rule.column, rule.row))); break;
        case SeatRule::Kind::FrontRows: keepOut(clause, item, rowsWhere(chart, [&](int row) { return row <= rule.count; })); break;
        case SeatRule::Kind::BackRows:
            keepOut(clause, item, rowsWhere(chart, [&](int row) { return row > SeatChart::Rows - rule.count; }));
            break;
        case SeatRule::Kind::Apart:
            forEachSeat(occupied, [&](int seat) {
                forEachSeat(occupied & SeatConstraints::around(seat),
                            [&](int near) { add({off(clause), -variable(item, seat), -variable(other, near)}); });
            });
            break;
        case SeatRule::Kind::Together:
            for (const auto &[first, second] : {std::pair(item, other), std::pair(other, item)}) {
                const int a = first, b = second; // a lambda may not take a structured binding
                forEachSeat(occupied, [&](int seat) {
                    QList<int> beside;
                    forEachSeat(occupied & SeatConstraints::sideBySide(seat), [&](int near) { beside.append(variable(b, near)); });
                    add({off(clause), -variable(a, seat)}, beside);
                });
            }
            break;
        }
    }
    fillBlocks(chart, rules, clauses);
    if (!m_selectors)
        fillRows(chart, rules, clauses);
}

void SeatSolver::fillBlocks(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses)
{
    // Pupils pairwise apart take one seat of a 2×2 block at most: as many
    // of them as a cut of the room has blocks take one seat of each block.
    // The solver would learn that only by trying every way (the
    // pigeonhole); said at once, the tightest rooms are seated at once.
    const SeatConstraints linked(chart, rules, clauses);
    const SeatSet occupied = m_items.occupied();
    for (const quint64 group : SeatFacts::apartGroups(linked)) {
        QList<int> guards; // the group's rules: off, and nothing is said
        if (m_selectors) {
            for (int clause : clauses) {
                const SeatRule *rule = clause >= 0 ? &rules.rules.at(clause) : nullptr;
                if (rule && rule->kind == SeatRule::Kind::Apart && (group >> m_items.itemOf(rule->first) & 1)
                    && (group >> m_items.itemOf(rule->second) & 1))
                    guards.append(-selector(clause));
            }
        }
        for (int cut = 0; cut < SeatFacts::Cuts; ++cut) {
            const int spare = SeatFacts::blocksMeeting(occupied, cut) - std::popcount(group);
            if (spare < 0 || spare > MostSpareBlocks)
                continue;
            QList<QList<int>> blocks(SeatChart::SeatCount);
            forEachSeat(occupied, [&](int seat) {
                for (quint64 left = group; left; left &= left - 1)
                    blocks[SeatFacts::blockOf(seat, cut)].append(variable(std::countr_zero(left), seat));
            });
            blocks.removeIf([](const QList<int> &block) { return block.isEmpty(); });
            // With s blocks to spare, any s + 1 blocks hold one of the group.
            const auto choose = [&](auto &self, qsizetype from, int left, const QList<int> &chosen) -> void {
                if (left == 0) {
                    add({}, guards + chosen);
                    return;
                }
                for (qsizetype b = from; b < blocks.size(); ++b)
                    self(self, b + 1, left - 1, chosen + blocks.at(b));
            };
            choose(choose, 0, spare + 1, {});
        }
    }
}

void SeatSolver::fillRows(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses)
{
    // Pairs of deskmates kept to some rows, as many as those rows hold side
    // by side: each run of free seats there is filled with pairs, so that
    // every second seat of an odd run, and every seat of an even one, holds
    // one of them. Known at once, the room's pupils are seated at once
    // instead of after a search over which pair takes which row.
    const SeatConstraints linked(chart, rules, clauses);
    const auto &pairs = linked.deskmatePairs();
    QList<int> limits;
    for (const auto &[a, b] : pairs) {
        const int rows = SeatFacts::rowsOf(linked.domain(a)) & SeatFacts::rowsOf(linked.domain(b));
        if (!limits.contains(rows))
            limits.append(rows);
    }
    for (const int rows : std::as_const(limits)) {
        QList<int> members;
        for (const auto &[a, b] : pairs) {
            if ((SeatFacts::rowsOf(linked.domain(a)) & SeatFacts::rowsOf(linked.domain(b)) & ~rows) == 0)
                members += {a, b};
        }
        SeatSet taken = 0; // seats of pupils who can sit nowhere else
        for (int item = 0; item < linked.itemCount(); ++item) {
            if (!members.contains(item) && std::popcount(linked.domain(item)) == 1)
                taken |= linked.domain(item);
        }
        int room = 0;
        QList<int> filled;
        for (int row = 0; row < SeatChart::Rows; ++row) {
            for (int column = 0; column < SeatChart::Columns;) {
                int run = 0;
                while (column + run < SeatChart::Columns && (rows >> row & 1)
                       && (linked.occupied() & ~taken & SeatConstraints::bit(SeatChart::indexOf(column + run, row))))
                    ++run;
                room += run / 2;
                for (int k = run % 2; k < run; k += 1 + run % 2)
                    filled.append(SeatChart::indexOf(column + k, row));
                column += std::max(run, 1);
            }
        }
        if (room != int(members.size()) / 2)
            continue;
        for (int seat : std::as_const(filled)) {
            QList<int> clause;
            for (int member : std::as_const(members))
                clause.append(variable(member, seat));
            add({}, clause);
        }
    }
}

SeatSolver::~SeatSolver() = default;

int SeatSolver::selector(int clause) const
{
    return SeatChart::SeatCount * SeatChart::SeatCount + 1 + int(m_clauses.indexOf(clause));
}

int SeatSolver::off(int clause) const
{
    return m_selectors ? -selector(clause) : 0;
}

void SeatSolver::add(std::initializer_list<int> literals, const QList<int> &more)
{
    for (int literal : literals) {
        if (literal != 0)
            m_solver->add(literal);
    }
    for (int literal : more)
        m_solver->add(literal);
    m_solver->add(0);
}

namespace {

class Deadline : public CaDiCaL::Terminator
{
public:
    explicit Deadline(QDeadlineTimer deadline)
        : m_deadline(deadline)
    {
    }
    bool terminate() override { return m_deadline.hasExpired(); }

private:
    QDeadlineTimer m_deadline;
};

} // namespace

SeatSolver::Decision SeatSolver::decide(const QList<int> &subset, qint64 conflicts, QDeadlineTimer deadline)
{
    Decision decision;
    if (conflicts <= 0 || deadline.hasExpired())
        return decision;
    // A clause left out is switched off, not left to the solver: a fixed
    // seat that is not in the subset exempts nobody from 每人换座位.
    Q_ASSERT(m_selectors || subset == m_clauses);
    for (int clause : m_clauses) {
        if (m_selectors)
            m_solver->assume(subset.contains(clause) ? selector(clause) : -selector(clause));
    }
    m_solver->limit("conflicts", int(std::min<qint64>(conflicts, INT_MAX)));
    Deadline stop(deadline);
    m_solver->connect_terminator(&stop);
    const int result = m_solver->solve();
    m_solver->disconnect_terminator();
    if (result == 10) {
        decision.answer = Answer::Yes;
        for (int item = 0; item < m_items.itemCount(); ++item) {
            forEachSeat(m_items.occupied(), [&](int seat) {
                if (m_solver->val(variable(item, seat)) > 0)
                    decision.places[std::size_t(item)] = qint8(seat);
            });
        }
    } else if (result == 20) {
        decision.answer = Answer::No;
        for (int clause : subset) {
            if (!m_selectors || m_solver->failed(selector(clause)))
                decision.core.append(clause);
        }
    }
    return decision;
}
