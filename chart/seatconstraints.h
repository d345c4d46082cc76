#pragma once

#include "chart/seatchart.h"
#include "chart/seatrules.h"

#include <QList>
#include <QStringList>

#include <array>

// The rules of one draw as constraints on where each name may go.
//
// The names of the occupied seats are the draw's items, one per occupied
// seat, copies of one name next to each other. Each item has a domain, the
// occupied seats it may take (fixed seat, rows, 每人换座位), and links to other
// items (side by side, not next to, not side by side). Only the clauses given
// are turned into constraints, so that a clash can be narrowed down by
// leaving clauses out: a clause is an index into SeatRules::rules, or one of
// the two switches.
class SeatConstraints
{
public:
    using SeatSet = quint64;                                // bit i: seat index i
    using Places = std::array<qint8, SeatChart::SeatCount>; // item -> seat index

    static constexpr SeatSet bit(int seat) { return SeatSet(1) << seat; }

    static constexpr int EveryoneMovesClause = -1;
    static constexpr int NewDeskmatesClause = -2;

    enum class Relation : quint8 { SideBySide, NotNextTo, NotSideBySide };
    struct Link {
        int other;
        Relation relation;
    };

    SeatConstraints(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses);

    int itemCount() const { return int(m_seatBefore.size()); }
    SeatSet domain(int item) const { return m_domain[std::size_t(item)]; }
    const QList<Link> &links(int item) const { return m_links[std::size_t(item)]; }
    const QString &name(int item) const { return m_names.at(item); }
    int seatBefore(int item) const { return m_seatBefore.at(item); }
    // The item of the first copy of name, -1 when no seat holds it.
    int itemOf(const QString &name) const;
    // True when item and item + 1 hold the same name.
    bool sameNameAsNext(int item) const;
    // True when the item may never move (an active fixed seat).
    bool isFixed(int item) const { return m_fixed[std::size_t(item)]; }
    SeatSet occupied() const { return m_occupied; }
    // The pairs of deskmates that are nobody else's deskmates: each takes two
    // side-by-side seats of one row.
    const QList<std::pair<int, int>> &deskmatePairs() const { return m_pairs; }

    // Whether other, at otherSeat, may be where relation puts it for an item
    // at seat.
    static bool allows(Relation relation, int seat, int otherSeat);
    // The seats that relation leaves to the other item of a link when this
    // one is at seat.
    static SeatSet allowed(Relation relation, int seat);
    static SeatSet sideBySide(int seat);
    static SeatSet around(int seat);

    // True when the item at places[item] meets its domain and every link.
    bool fits(const Places &places, int item) const;
    bool allFit(const Places &places) const;
    // The places as they are before the draw.
    Places placesBefore() const;
    // The chart's seats with every item in its place.
    std::array<QString, SeatChart::SeatCount> seats(const Places &places) const;

private:
    void addLink(int a, int b, Relation relation);
    void findPairs();
    // 每人换座位: no item may take a seat that held its name.
    void keepFromOldSeats();
    // 每人换同桌: no two names side by side before may be side by side again.
    void separateDeskmates();

    QStringList m_names;     // per item
    QList<int> m_seatBefore; // per item
    std::array<SeatSet, SeatChart::SeatCount> m_domain{};
    std::array<QList<Link>, SeatChart::SeatCount> m_links{};
    std::array<bool, SeatChart::SeatCount> m_fixed{};
    SeatSet m_occupied = 0;
    QList<std::pair<int, int>> m_pairs;
};
