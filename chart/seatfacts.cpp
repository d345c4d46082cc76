#include "chart/seatfacts.h"

#include "chart/seatconstraints.h"

#include <bit>

using SeatSet = SeatConstraints::SeatSet;
using ItemSet = quint64; // bit i: item i

namespace {

constexpr auto bit = &SeatConstraints::bit;


class Counting
{
public:
    Counting(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses)
        : m_rules(rules)
        , m_clauses(clauses)
        , m_constraints(chart, rules, clauses)
    {
    }

    SeatFacts::Clash clash() const
    {
        if (QList<int> found = seatsForEveryone(); !found.isEmpty())
            return {found, false};
        if (QList<int> found = roomForDeskmates(); !found.isEmpty())
            return {found, false};
        const QList<int> group = apartGroups();
        return {group, !group.isEmpty()};
    }

private:
    int items() const { return m_constraints.itemCount(); }
    SeatSet domain(int item) const { return m_constraints.domain(item); }

    // The clauses that take seats from item's domain.
    QList<int> limiting(int item) const
    {
        QList<int> found;
        bool fixed = false;
        for (int clause : m_clauses) {
            if (clause < 0)
                continue;
            const SeatRule &rule = m_rules.rules.at(clause);
            if (!rule.pairsPupils() && rule.first == m_constraints.name(item)) {
                found.append(clause);
                fixed |= rule.kind == SeatRule::Kind::Fixed;
            }
        }
        if (!fixed && m_clauses.contains(SeatConstraints::EveryoneMovesClause))
            found.append(SeatConstraints::EveryoneMovesClause);
        return found;
    }

    // The clause that links the names of a and b by kind; each link of the
    // constraints comes from one.
    int linking(int a, int b, SeatRule::Kind kind) const
    {
        int found = 0;
        for (int clause : m_clauses) {
            if (clause < 0)
                continue;
            const SeatRule &rule = m_rules.rules.at(clause);
            const QString &first = m_constraints.name(a), &second = m_constraints.name(b);
            if (rule.kind == kind && ((rule.first == first && rule.second == second) || (rule.first == second && rule.second == first)))
                found = clause;
        }
        return found;
    }

    void addLimiting(QList<int> &clauses, ItemSet group) const
    {
        for (; group; group &= group - 1) {
            for (int clause : limiting(std::countr_zero(group))) {
                if (!clauses.contains(clause))
                    clauses.append(clause);
            }
        }
    }

    // A matching of every item to a seat of its own; where there is none,
    // the items an unmatched one reaches by alternating paths have fewer
    // seats among them than they are.
    QList<int> seatsForEveryone() const
    {
        std::array<int, SeatChart::SeatCount> holder{};
        holder.fill(-1);
        const auto augment = [&](auto &self, int item, SeatSet &visited, ItemSet &reached) -> bool {
            reached |= ItemSet(1) << item;
            for (SeatSet left = domain(item) & ~visited; left; left &= left - 1) {
                const int seat = std::countr_zero(left);
                if (visited & bit(seat))
                    continue;
                visited |= bit(seat);
                const int other = holder[std::size_t(seat)];
                if (other < 0 || self(self, other, visited, reached)) {
                    holder[std::size_t(seat)] = item;
                    return true;
                }
            }
            return false;
        };
        for (int item = 0; item < items(); ++item) {
            SeatSet visited = 0;
            ItemSet reached = 0;
            if (!augment(augment, item, visited, reached)) {
                QList<int> clauses;
                addLimiting(clauses, reached);
                return clauses;
            }
        }
        return {};
    }

    // Rows of deskmates (pairs, and chains of three or more) whose rows are
    // limited, against the runs of free side-by-side seats those rows hold:
    // a run of n seats takes n / 2 of them, and n / 3 of the chains.
    QList<int> roomForDeskmates() const
    {
        struct Group {
            ItemSet items = 0;
            int rows = 0;
            QList<int> clauses; // the deskmate rules that make it one
        };
        QList<Group> groups;
        ItemSet seen = 0;
        for (int item = 0; item < items(); ++item) {
            if (seen >> item & 1)
                continue;
            Group group;
            int links = 0;
            bool chain = true;
            for (QList<int> next{item}; !next.isEmpty();) {
                const int at = next.takeLast();
                if (group.items >> at & 1)
                    continue;
                group.items |= ItemSet(1) << at;
                int deskmates = 0;
                for (const SeatConstraints::Link &link : m_constraints.links(at)) {
                    if (link.relation != SeatConstraints::Relation::SideBySide)
                        continue;
                    ++deskmates;
                    if (at < link.other) {
                        ++links;
                        group.clauses.append(linking(at, link.other, SeatRule::Kind::Together));
                    }
                    next.append(link.other);
                }
                chain = chain && deskmates <= 2;
            }
            seen |= group.items;
            group.rows = (1 << SeatChart::Rows) - 1;
            for (ItemSet left = group.items; left; left &= left - 1)
                group.rows &= SeatFacts::rowsOf(domain(std::countr_zero(left)));
            // A row of deskmates: one row, one seat beside the next.
            if (links > 0 && chain && links == std::popcount(group.items) - 1)
                groups.append(group);
        }
        QList<int> limits;
        for (const Group &group : std::as_const(groups)) {
            if (!limits.contains(group.rows))
                limits.append(group.rows);
        }
        for (int rows : std::as_const(limits)) {
            for (const int length : {2, 3}) {
                ItemSet inside = 0;
                int kept = 0;
                QList<int> clauses;
                for (const Group &group : std::as_const(groups)) {
                    if ((group.rows & ~rows) == 0 && std::popcount(group.items) >= length) {
                        ++kept;
                        inside |= group.items;
                        clauses += group.clauses;
                    }
                }
                // Seats held by pupils who can sit nowhere else break the runs.
                SeatSet taken = 0;
                ItemSet takers = 0;
                for (int item = 0; item < items(); ++item) {
                    if (!(inside >> item & 1) && std::popcount(domain(item)) == 1 && (SeatFacts::rowsOf(domain(item)) & rows)) {
                        taken |= domain(item);
                        takers |= ItemSet(1) << item;
                    }
                }
                int room = 0, seats = 0;
                for (int row = 0; row < SeatChart::Rows; ++row) {
                    int run = 0;
                    for (int column = 0; column < SeatChart::Columns; ++column) {
                        const bool open = (rows >> row & 1) && (m_constraints.occupied() & ~taken & bit(SeatChart::indexOf(column, row)));
                        run = open ? run + 1 : 0;
                        room += run > 0 && run % length == 0; // one more group fits in the run
                        seats += open;
                    }
                }
                // The pupils kept to those rows besides take seats too.
                ItemSet singles = 0;
                for (int item = 0; item < items(); ++item) {
                    if (!((inside | takers) >> item & 1) && (SeatFacts::rowsOf(domain(item)) & ~rows) == 0)
                        singles |= ItemSet(1) << item;
                }
                if (kept > room || std::popcount(inside | singles) > seats) {
                    addLimiting(clauses, inside | takers | (kept > room ? 0 : singles));
                    return clauses;
                }
            }
        }
        return {};
    }

    // Groups of items pairwise apart (cliques of the apart links), each
    // against the blocks that the seats open to them meet.
    QList<int> apartGroups() const
    {
        QList<int> found;
        const auto check = [&](ItemSet clique) {
            QList<SeatSet> regions{0};
            for (ItemSet left = clique; left; left &= left - 1) {
                regions.first() |= domain(std::countr_zero(left));
                if (!regions.contains(domain(std::countr_zero(left))))
                    regions.append(domain(std::countr_zero(left)));
            }
            for (SeatSet region : std::as_const(regions)) {
                ItemSet inside = 0;
                for (ItemSet left = clique; left; left &= left - 1) {
                    if ((domain(std::countr_zero(left)) & ~region) == 0)
                        inside |= left & -left;
                }
                const int room = SeatFacts::fewestBlocks(region);
                if (std::popcount(inside) <= room)
                    continue;
                // One pupil more than the blocks hold: the first of them.
                ItemSet group = 0;
                for (int k = 0; k <= room; ++k, inside &= inside - 1)
                    group |= inside & -inside;
                for (ItemSet a = group; a; a &= a - 1) {
                    for (ItemSet b = a & (a - 1); b; b &= b - 1)
                        found.append(linking(std::countr_zero(a), std::countr_zero(b), SeatRule::Kind::Apart));
                }
                addLimiting(found, (region & m_constraints.occupied()) == m_constraints.occupied() ? 0 : group);
                return true;
            }
            return false;
        };
        for (ItemSet clique : SeatFacts::apartGroups(m_constraints)) {
            if (check(clique))
                break;
        }
        return found;
    }

    const SeatRules &m_rules;
    const QList<int> &m_clauses;
    const SeatConstraints m_constraints;
};

} // namespace

SeatFacts::Clash SeatFacts::clash(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses)
{
    Clash found = Counting(chart, rules, clauses).clash();
    // Should a count rest on more than the clauses it names, all of them:
    // what is named must clash by itself.
    if (!found.clauses.isEmpty() && Counting(chart, rules, found.clauses).clash().clauses.isEmpty())
        found = {clauses, false};
    return found;
}

int SeatFacts::rowsOf(SeatConstraints::SeatSet seats)
{
    int rows = 0;
    for (; seats; seats &= seats - 1)
        rows |= 1 << SeatChart::rowOf(std::countr_zero(seats));
    return rows;
}

int SeatFacts::blockOf(int seat, int cut)
{
    const int columnShift = cut & 1, rowShift = cut >> 1;
    return (SeatChart::columnOf(seat) + columnShift) / 2 * SeatChart::Rows + (SeatChart::rowOf(seat) + rowShift) / 2;
}

int SeatFacts::blocksMeeting(SeatConstraints::SeatSet seats, int cut)
{
    quint64 blocks = 0;
    for (SeatSet left = seats; left; left &= left - 1)
        blocks |= quint64(1) << blockOf(std::countr_zero(left), cut);
    return std::popcount(blocks);
}

int SeatFacts::fewestBlocks(SeatConstraints::SeatSet seats)
{
    int fewest = SeatChart::SeatCount;
    for (int cut = 0; cut < Cuts; ++cut)
        fewest = std::min(fewest, blocksMeeting(seats, cut));
    return fewest;
}

QList<quint64> SeatFacts::apartGroups(const SeatConstraints &constraints)
{
    std::array<ItemSet, SeatChart::SeatCount> apart{};
    for (int item = 0; item < constraints.itemCount(); ++item) {
        for (const SeatConstraints::Link &link : constraints.links(item)) {
            if (link.relation == SeatConstraints::Relation::NotNextTo)
                apart[std::size_t(item)] |= ItemSet(1) << link.other;
        }
    }
    QList<quint64> found;
    int budget = 20'000; // cliques looked at; far beyond a class's rules
    // Bron-Kerbosch with a pivot: every maximal clique once.
    const auto cliques = [&](auto &self, ItemSet clique, ItemSet candidates, ItemSet excluded) -> void {
        if (--budget < 0)
            return;
        if (!candidates && !excluded) {
            if (std::popcount(clique) > 2)
                found.append(clique);
            return;
        }
        const int pivot = std::countr_zero(candidates | excluded);
        for (ItemSet left = candidates & ~apart[std::size_t(pivot)]; left; left &= left - 1) {
            const int item = std::countr_zero(left);
            const ItemSet one = ItemSet(1) << item;
            self(self, clique | one, candidates & apart[std::size_t(item)], excluded & apart[std::size_t(item)]);
            candidates &= ~one;
            excluded |= one;
        }
    };
    cliques(cliques, 0, (ItemSet(1) << constraints.itemCount()) - 1, 0);
    return found;
}
