#include "chart/seatconstraints.h"

#include <cstdlib>

namespace {

using SeatSet = SeatConstraints::SeatSet;
constexpr auto bit = &SeatConstraints::bit;

// The seats of the rows that pass, in the chart's numbering.
template <typename Pass> SeatSet rowsWhere(const SeatChart &chart, Pass pass)
{
    SeatSet seats = 0;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        if (pass(chart.pupilRow(i)))
            seats |= bit(i);
    }
    return seats;
}

} // namespace

SeatConstraints::SeatConstraints(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses)
{
    // Copies of a name side by side in the item order, so that a search can
    // place them in seat order and count each arrangement once.
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const QString &name = chart.seat(i);
        if (name.isEmpty())
            continue;
        m_occupied |= bit(i);
        const qsizetype last = m_names.lastIndexOf(name);
        const qsizetype at = last < 0 ? m_names.size() : last + 1;
        m_names.insert(at, name);
        m_seatBefore.insert(at, i);
    }
    for (int item = 0; item < itemCount(); ++item)
        m_domain[std::size_t(item)] = m_occupied;

    const bool everyoneMoves = clauses.contains(EveryoneMovesClause);
    const bool newDeskmates = clauses.contains(NewDeskmatesClause);
    for (int clause : clauses) {
        if (clause < 0)
            continue;
        const SeatRule &rule = rules.rules.at(clause);
        const int item = itemOf(rule.first);
        const int other = rule.pairsPupils() ? itemOf(rule.second) : -1;
        auto &domain = m_domain[std::size_t(item)];
        switch (rule.kind) {
        case SeatRule::Kind::Fixed:
            domain &= bit(chart.indexAtPupil(rule.column, rule.row));
            m_fixed[std::size_t(item)] = true;
            break;
        case SeatRule::Kind::FrontRows: domain &= rowsWhere(chart, [&](int row) { return row <= rule.count; }); break;
        case SeatRule::Kind::BackRows: domain &= rowsWhere(chart, [&](int row) { return row > SeatChart::Rows - rule.count; }); break;
        case SeatRule::Kind::Apart: addLink(item, other, Relation::NotNextTo); break;
        case SeatRule::Kind::Together: addLink(item, other, Relation::SideBySide); break;
        }
    }
    findPairs();
    if (everyoneMoves)
        keepFromOldSeats();
    if (newDeskmates)
        separateDeskmates();
}

void SeatConstraints::findPairs()
{
    const auto deskmates = [&](int item) {
        QList<int> found;
        for (const Link &link : m_links[std::size_t(item)]) {
            if (link.relation == Relation::SideBySide)
                found.append(link.other);
        }
        return found;
    };
    for (int a = 0; a < itemCount(); ++a) {
        const QList<int> mates = deskmates(a);
        if (mates.size() == 1 && mates.first() > a && deskmates(mates.first()).size() == 1)
            m_pairs.append({a, mates.first()});
    }
}

void SeatConstraints::keepFromOldSeats()
{
    for (int item = 0; item < itemCount(); ++item) {
        if (m_fixed[std::size_t(item)])
            continue;
        // Every seat that held this name, so that copies of a name count as
        // one pupil: no seat shows the name it showed before.
        for (int other = 0; other < itemCount(); ++other) {
            if (m_names.at(other) == m_names.at(item))
                m_domain[std::size_t(item)] &= ~bit(m_seatBefore.at(other));
        }
    }
}

void SeatConstraints::separateDeskmates()
{
    for (int a = 0; a < itemCount(); ++a) {
        for (int b = a + 1; b < itemCount(); ++b) {
            if (m_names.at(a) == m_names.at(b) || !(sideBySide(m_seatBefore.at(a)) & bit(m_seatBefore.at(b))))
                continue;
            // Every copy of one name with every copy of the other.
            for (int x = 0; x < itemCount(); ++x) {
                for (int y = 0; y < itemCount(); ++y) {
                    if (m_names.at(x) == m_names.at(a) && m_names.at(y) == m_names.at(b))
                        addLink(x, y, Relation::NotSideBySide);
                }
            }
        }
    }
}

bool SeatConstraints::sameNameAsNext(int item) const
{
    return item + 1 < itemCount() && m_names.at(item) == m_names.at(item + 1);
}

int SeatConstraints::itemOf(const QString &name) const
{
    return int(m_names.indexOf(name));
}

void SeatConstraints::addLink(int a, int b, Relation relation)
{
    const auto has = [&](int from, int to) {
        for (const Link &link : m_links[std::size_t(from)]) {
            if (link.other == to && link.relation == relation)
                return true;
        }
        return false;
    };
    if (has(a, b))
        return;
    m_links[std::size_t(a)].append({b, relation});
    m_links[std::size_t(b)].append({a, relation});
}

namespace {

struct Neighbours {
    std::array<SeatSet, SeatChart::SeatCount> sideBySide{}, around{};
    Neighbours()
    {
        for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
            for (int other = 0; other < SeatChart::SeatCount; ++other) {
                const int columns = std::abs(SeatChart::columnOf(other) - SeatChart::columnOf(seat));
                const int rows = std::abs(SeatChart::rowOf(other) - SeatChart::rowOf(seat));
                if (other != seat && columns <= 1 && rows <= 1)
                    around[std::size_t(seat)] |= bit(other);
                if (columns == 1 && rows == 0)
                    sideBySide[std::size_t(seat)] |= bit(other);
            }
        }
    }
};

const Neighbours &neighbours()
{
    static const Neighbours table;
    return table;
}

} // namespace

SeatSet SeatConstraints::sideBySide(int seat)
{
    return neighbours().sideBySide[std::size_t(seat)];
}

SeatSet SeatConstraints::around(int seat)
{
    return neighbours().around[std::size_t(seat)];
}

SeatSet SeatConstraints::allowed(Relation relation, int seat)
{
    switch (relation) {
    case Relation::SideBySide: return sideBySide(seat);
    case Relation::NotNextTo: return ~around(seat);
    case Relation::NotSideBySide: return ~sideBySide(seat);
    }
    return 0;
}

bool SeatConstraints::allows(Relation relation, int seat, int otherSeat)
{
    return (allowed(relation, seat) & bit(otherSeat)) != 0;
}

bool SeatConstraints::fits(const Places &places, int item) const
{
    const int seat = places[std::size_t(item)];
    if (!(m_domain[std::size_t(item)] & bit(seat)))
        return false;
    for (const Link &link : m_links[std::size_t(item)]) {
        if (!allows(link.relation, seat, places[std::size_t(link.other)]))
            return false;
    }
    return true;
}

bool SeatConstraints::allFit(const Places &places) const
{
    for (int item = 0; item < itemCount(); ++item) {
        if (!fits(places, item))
            return false;
    }
    return true;
}

SeatConstraints::Places SeatConstraints::placesBefore() const
{
    Places places{};
    for (int item = 0; item < itemCount(); ++item)
        places[std::size_t(item)] = qint8(m_seatBefore.at(item));
    return places;
}

std::array<QString, SeatChart::SeatCount> SeatConstraints::seats(const Places &places) const
{
    std::array<QString, SeatChart::SeatCount> seats;
    for (int item = 0; item < itemCount(); ++item)
        seats[std::size_t(places[std::size_t(item)])] = m_names.at(item);
    return seats;
}
