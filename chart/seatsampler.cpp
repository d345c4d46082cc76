#include "chart/seatsampler.h"

#include <QRandomGenerator>

#include <bit>
#include <numeric>

using SeatSet = SeatConstraints::SeatSet;
using Places = SeatConstraints::Places;

namespace {

// Deals of a block tried before its ways are listed.
constexpr int DealsPerBlock = 60;
// A listing of a block's ways stops at this many ways or search steps; the
// block then stays.
constexpr int ListedWays = 200;
constexpr int ListingNodes = 800;

} // namespace

SeatSampler::SeatSampler(const SeatConstraints &constraints, const Places &start, QRandomGenerator &random)
    : m_constraints(constraints)
    , m_places(start)
    , m_random(random)
{
    for (int item = 0; item < constraints.itemCount(); ++item) {
        if (!constraints.isFixed(item))
            m_seats.append(start[std::size_t(item)]);
    }
    // A fixed order of the items in which linked ones come together, so that
    // a listing sees a broken rule as soon as it seats the second pupil.
    {
        int next = 0;
        std::array<bool, SeatChart::SeatCount> ranked{};
        for (int item = 0; item < constraints.itemCount(); ++item) {
            for (QList<int> todo{item}; !todo.isEmpty();) {
                const int at = todo.takeFirst();
                if (ranked[std::size_t(at)])
                    continue;
                ranked[std::size_t(at)] = true;
                m_rank[std::size_t(at)] = qint8(next++);
                for (const SeatConstraints::Link &link : constraints.links(at))
                    todo.append(link.other);
            }
        }
    }
    // Rows of deskmates: the items linked side by side, none of them fixed.
    quint64 grouped = 0;
    for (int item = 0; item < constraints.itemCount(); ++item) {
        quint64 group = 0;
        for (QList<int> next{item}; !next.isEmpty();) {
            const int at = next.takeLast();
            if ((group | grouped) >> at & 1)
                continue;
            group |= quint64(1) << at;
            for (const SeatConstraints::Link &link : constraints.links(at)) {
                if (link.relation == SeatConstraints::Relation::SideBySide)
                    next.append(link.other);
            }
        }
        grouped |= group;
        bool movable = std::popcount(group) > 1;
        for (quint64 left = group; left; left &= left - 1)
            movable = movable && !constraints.isFixed(std::countr_zero(left));
        if (movable)
            m_groups.append(group);
    }
    for (int item = 0; item < constraints.itemCount(); ++item)
        m_firstCopy[std::size_t(item)] = qint8(item > 0 && constraints.sameNameAsNext(item - 1) ? m_firstCopy[std::size_t(item - 1)] : item);
    sortCopies();
}

void SeatSampler::sortCopies()
{
    for (int item = 0; item < m_constraints.itemCount(); ++item) {
        int last = item;
        while (m_constraints.sameNameAsNext(last))
            ++last;
        std::sort(m_places.begin() + item, m_places.begin() + last + 1);
        item = last;
    }
    m_holder.fill(-1);
    for (int item = 0; item < m_constraints.itemCount(); ++item)
        m_holder[std::size_t(m_places[std::size_t(item)])] = qint8(item);
}

SeatSet SeatSampler::chooseBlock()
{
    const auto row = [](int r) {
        SeatSet seats = 0;
        for (int column = 0; column < SeatChart::Columns; ++column)
            seats |= SeatConstraints::bit(SeatChart::indexOf(column, r));
        return seats;
    };
    const auto anySeat = [&] { return SeatConstraints::bit(m_seats.at(m_random.bounded(int(m_seats.size())))); };
    SeatSet movable = 0;
    for (int seat : std::as_const(m_seats))
        movable |= SeatConstraints::bit(seat);
    SeatSet block = 0;
    switch (m_random.bounded(16)) {
    case 0: { // three whole rows
        std::array<int, SeatChart::Rows> rows{};
        std::iota(rows.begin(), rows.end(), 0);
        for (int k = 0; k < 3; ++k) {
            std::swap(rows[std::size_t(k)], rows[std::size_t(k + m_random.bounded(SeatChart::Rows - k))]);
            block |= row(rows[std::size_t(k)]);
        }
        break;
    }
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6: { // two whole rows
        const int first = m_random.bounded(SeatChart::Rows);
        const int second = (first + 1 + m_random.bounded(SeatChart::Rows - 1)) % SeatChart::Rows;
        block = row(first) | row(second);
        break;
    }
    case 7:
    case 8: // a row and two seats
        block = row(m_random.bounded(SeatChart::Rows)) | anySeat() | anySeat();
        break;
    case 9:
    case 10:
    case 11:
        if (!m_groups.isEmpty()) { // the seats of up to three rows of deskmates, wherever they sit
            for (int k = 0; k < 3; ++k) {
                for (quint64 group = m_groups.at(m_random.bounded(int(m_groups.size()))); group; group &= group - 1)
                    block |= SeatConstraints::bit(m_places[std::size_t(std::countr_zero(group))]);
            }
            break;
        }
        [[fallthrough]];
    default: { // two to five seats
        const int count = 2 + m_random.bounded(4);
        for (int k = 0; k < count; ++k)
            block |= anySeat();
    }
    }
    return block & movable;
}

void SeatSampler::step()
{
    if (m_seats.size() >= 2)
        reseat(chooseBlock());
}

void SeatSampler::reseat(SeatSet block)
{
    m_count = 0;
    for (SeatSet left = block; left; left &= left - 1) {
        m_blockSeats[std::size_t(m_count)] = qint8(std::countr_zero(left));
        m_blockItems[std::size_t(m_count++)] = m_holder[std::size_t(std::countr_zero(left))];
    }
    if (m_count < 2)
        return;
    const Places before = m_places;
    const auto fit = [&] {
        for (int k = 0; k < m_count; ++k) {
            if (!m_constraints.fits(m_places, m_blockItems[std::size_t(k)]))
                return false;
        }
        return true;
    };
    std::array<qint8, SeatChart::SeatCount> dealt = m_blockSeats;
    for (int deal = 0; deal < DealsPerBlock; ++deal) {
        for (int k = m_count - 1; k > 0; --k)
            std::swap(dealt[std::size_t(k)], dealt[std::size_t(m_random.bounded(k + 1))]);
        for (int k = 0; k < m_count; ++k)
            m_places[std::size_t(m_blockItems[std::size_t(k)])] = dealt[std::size_t(k)];
        if (fit()) {
            sortCopies();
            return;
        }
    }
    // No deal fitted: list the ways, which are few when deals miss. The
    // items in a fixed order, so that whether the listing ends in time
    // depends on who is in the block, not on how they sit in it.
    std::sort(m_blockItems.begin(), m_blockItems.begin() + m_count,
              [&](int a, int b) { return m_rank[std::size_t(a)] < m_rank[std::size_t(b)]; });
    m_slot.fill(-1);
    for (int k = 0; k < m_count; ++k)
        m_slot[std::size_t(m_blockItems[std::size_t(k)])] = qint8(k);
    QList<Places> ways;
    int nodes = ListingNodes;
    listWays(0, 0, ways, nodes);
    m_places = before;
    if (nodes >= 0 && !ways.isEmpty() && ways.size() <= ListedWays)
        m_places = ways.at(m_random.bounded(int(ways.size())));
    sortCopies();
}

// Seats the block's items from k on in the block's seats not in used,
// every way that fits with the pupils seated so far; copies of a name in
// seat order. Stops when nodes run out or more ways than a listing holds are
// found.
void SeatSampler::listWays(int k, quint64 used, QList<Places> &ways, int &nodes)
{
    if (k == m_count) {
        ways.append(m_places);
        return;
    }
    const int item = m_blockItems[std::size_t(k)];
    // The seat of the copy of this name seated before it in the block.
    int after = -1;
    for (int j = 0; j < k; ++j) {
        if (m_firstCopy[std::size_t(m_blockItems[std::size_t(j)])] == m_firstCopy[std::size_t(item)])
            after = std::max(after, int(m_places[std::size_t(m_blockItems[std::size_t(j)])]));
    }
    for (int s = 0; s < m_count; ++s) {
        const int seat = m_blockSeats[std::size_t(s)];
        if ((used >> s & 1) || seat <= after)
            continue;
        if (--nodes < 0 || ways.size() > ListedWays)
            return;
        m_places[std::size_t(item)] = qint8(seat);
        if (fitsSoFar(item, k))
            listWays(k + 1, used | quint64(1) << s, ways, nodes);
    }
}

// Whether the block's item k fits its domain and the links to everyone but
// the block's items after it, which have no seat yet.
bool SeatSampler::fitsSoFar(int item, int k) const
{
    const int seat = m_places[std::size_t(item)];
    if (!(m_constraints.domain(item) & SeatConstraints::bit(seat)))
        return false;
    for (const SeatConstraints::Link &link : m_constraints.links(item)) {
        if (m_slot[std::size_t(link.other)] <= k && !SeatConstraints::allows(link.relation, seat, m_places[std::size_t(link.other)]))
            return false;
    }
    return true;
}
