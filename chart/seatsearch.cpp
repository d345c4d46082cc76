#include "chart/seatsearch.h"

#include <QRandomGenerator>

#include <bit>

using SeatSet = SeatConstraints::SeatSet;

namespace {

constexpr auto bit = &SeatConstraints::bit;

constexpr SeatSet AllSeats = bit(SeatChart::SeatCount) - 1;

// The seats one column to the right of those in seats, and to the left: a
// column is a run of Rows seat indices.
constexpr SeatSet rightOf(SeatSet seats)
{
    return (seats << SeatChart::Rows) & AllSeats;
}

constexpr SeatSet leftOf(SeatSet seats)
{
    return seats >> SeatChart::Rows;
}

} // namespace

// Everything one level of the search owns; copied on the way down, so that
// going back up needs no undoing.
struct SeatSearch::State {
    std::array<SeatSet, SeatChart::SeatCount> domain{};
    SeatConstraints::Places place{};                  // -1 while unplaced
    std::array<qint8, SeatChart::SeatCount> match{};  // item -> seat, -1 when none
    std::array<qint8, SeatChart::SeatCount> holder{}; // seat -> item of the matching
    SeatSet free = 0;
    int placed = 0;
};

SeatSearch::SeatSearch(const SeatConstraints &constraints, QRandomGenerator &random, qint64 &steps)
    : m_constraints(constraints)
    , m_random(random)
    , m_steps(steps)
{
}

SeatSearch::End SeatSearch::run(const std::function<bool(const SeatConstraints::Places &)> &found)
{
    m_found = &found;
    State state;
    state.free = m_constraints.occupied();
    state.place.fill(-1);
    state.match.fill(-1);
    state.holder.fill(-1);
    for (int item = 0; item < m_constraints.itemCount(); ++item)
        state.domain[std::size_t(item)] = m_constraints.domain(item);
    if (!narrow(state) || !roomForPairs(state) || !rematch(state))
        return End::Complete;
    return descend(state);
}

SeatSearch::End SeatSearch::descend(const State &state)
{
    const int count = m_constraints.itemCount();
    if (state.placed == count)
        return (*m_found)(state.place) ? End::Complete : End::Stopped;
    // The item with the fewest seats left; of equals the one with the most
    // links, whose conflicts show soonest; then the first, so that of two
    // copies of a name the earlier goes first.
    int item = -1, fewest = SeatChart::SeatCount + 1;
    qsizetype linked = -1;
    for (int i = 0; i < count; ++i) {
        const int left = std::popcount(state.domain[std::size_t(i)] & state.free);
        const qsizetype links = m_constraints.links(i).size();
        if (state.place[std::size_t(i)] < 0 && (left < fewest || (left == fewest && links > linked))) {
            item = i;
            fewest = left;
            linked = links;
        }
    }
    std::array<int, SeatChart::SeatCount> seats{};
    int n = 0;
    for (SeatSet left = state.domain[std::size_t(item)] & state.free; left; left &= left - 1)
        seats[std::size_t(n++)] = std::countr_zero(left);
    for (int k = n - 1; k > 0; --k)
        std::swap(seats[std::size_t(k)], seats[std::size_t(m_random.bounded(k + 1))]);
    for (int k = 0; k < n; ++k) {
        if (m_steps <= 0)
            return End::OutOfSteps;
        --m_steps;
        State next = state;
        if (!place(next, item, seats[std::size_t(k)]))
            continue;
        if (const End end = descend(next); end != End::Complete)
            return end;
    }
    return End::Complete;
}

bool SeatSearch::place(State &state, int item, int seat) const
{
    state.place[std::size_t(item)] = qint8(seat);
    state.free &= ~bit(seat);
    ++state.placed;
    for (const SeatConstraints::Link &link : m_constraints.links(item)) {
        if (state.place[std::size_t(link.other)] < 0)
            state.domain[std::size_t(link.other)] &= SeatConstraints::allowed(link.relation, seat);
    }
    if (m_constraints.sameNameAsNext(item))
        state.domain[std::size_t(item + 1)] &= ~((bit(seat) << 1) - 1);
    // The seat leaves the matching, and so does the item.
    if (const int holder = state.holder[std::size_t(seat)]; holder >= 0)
        state.match[std::size_t(holder)] = -1;
    if (const int matched = state.match[std::size_t(item)]; matched >= 0)
        state.holder[std::size_t(matched)] = -1;
    state.holder[std::size_t(seat)] = qint8(item);
    state.match[std::size_t(item)] = qint8(seat);
    return narrow(state) && roomForPairs(state) && rematch(state);
}

// Pairs of deskmates still to be seated need two free seats side by side
// each: a run of free seats in a row holds half its length in pairs. A row
// of five with two single pupils in it has room for one pair, not two, which
// a matching of pupils to seats does not see.
bool SeatSearch::roomForPairs(const State &state) const
{
    int pairs = 0;
    for (const auto &[a, b] : m_constraints.deskmatePairs())
        pairs += state.place[std::size_t(a)] < 0 && state.place[std::size_t(b)] < 0;
    int room = 0;
    for (int row = 0; pairs > room && row < SeatChart::Rows; ++row) {
        int run = 0;
        for (int column = 0; column < SeatChart::Columns; ++column) {
            if (state.free & bit(SeatChart::indexOf(column, row))) {
                ++run;
            } else {
                room += run / 2;
                run = 0;
            }
        }
        room += run / 2;
    }
    return pairs <= room;
}

// Takes from the unplaced items the seats where a link could not hold
// whatever its other item does, until nothing changes: a deskmate needs a
// free seat beside it that the other may take, one with two deskmates needs
// one on each side, and a pupil with a single seat left keeps the others of
// its links away from it. Without this a chain of deskmates would only fail
// once the pupils around them were seated, after a search over all of those.
bool SeatSearch::narrow(State &state) const
{
    const auto seatsOf = [&](int item) {
        const int seat = state.place[std::size_t(item)];
        return seat >= 0 ? bit(seat) : state.domain[std::size_t(item)] & state.free;
    };
    for (bool changed = true; changed;) {
        changed = false;
        for (int item = 0; item < m_constraints.itemCount(); ++item) {
            if (state.place[std::size_t(item)] >= 0)
                continue;
            SeatSet seats = state.domain[std::size_t(item)] & state.free;
            std::array<SeatSet, 3> deskmates{};
            int deskmateCount = 0;
            for (const SeatConstraints::Link &link : m_constraints.links(item)) {
                const SeatSet other = seatsOf(link.other);
                if (link.relation == SeatConstraints::Relation::SideBySide) {
                    seats &= rightOf(other) | leftOf(other);
                    deskmates[std::size_t(std::min(deskmateCount++, 2))] = other;
                } else if (std::popcount(other) == 1) {
                    seats &= SeatConstraints::allowed(link.relation, std::countr_zero(other));
                }
            }
            if (deskmateCount == 2) {
                seats &= (rightOf(deskmates[0]) & leftOf(deskmates[1])) | (rightOf(deskmates[1]) & leftOf(deskmates[0]));
            } else if (deskmateCount > 2) {
                seats = 0; // a seat has two sides
            }
            if (seats == 0)
                return false;
            if (seats != (state.domain[std::size_t(item)] & state.free)) {
                state.domain[std::size_t(item)] = seats;
                changed = true;
            }
        }
    }
    return true;
}

// Every unplaced item gets a free seat of its own, or the state is a dead
// end. Only the items that lost their seat in the matching look again.
bool SeatSearch::rematch(State &state) const
{
    for (int item = 0; item < m_constraints.itemCount(); ++item) {
        if (state.place[std::size_t(item)] >= 0)
            continue;
        const int seat = state.match[std::size_t(item)];
        if (seat >= 0 && (state.domain[std::size_t(item)] & state.free & bit(seat)))
            continue;
        if (seat >= 0) {
            state.holder[std::size_t(seat)] = -1;
            state.match[std::size_t(item)] = -1;
        }
        SeatSet visited = 0;
        if (!augment(state, item, visited))
            return false;
    }
    return true;
}

bool SeatSearch::augment(State &state, int item, SeatSet &visited) const
{
    for (SeatSet left = state.domain[std::size_t(item)] & state.free & ~visited; left; left &= left - 1) {
        const int seat = std::countr_zero(left);
        if (visited & bit(seat))
            continue; // taken by a deeper look meanwhile
        visited |= bit(seat);
        const int holder = state.holder[std::size_t(seat)];
        if (holder < 0 || augment(state, holder, visited)) {
            state.holder[std::size_t(seat)] = qint8(item);
            state.match[std::size_t(item)] = qint8(seat);
            return true;
        }
    }
    return false;
}
