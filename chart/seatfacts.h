#pragma once

#include "chart/seatchart.h"
#include "chart/seatconstraints.h"
#include "chart/seatrules.h"

#include <QList>

// Clashes that counting shows at once, where a search over seats or a
// satisfiability solver would have to try every way of seating a group
// before it gives up (the pigeonhole):
// - pupils whose seats are limited need as many seats among them
//   (a matching of pupils to seats);
// - pairs and chains of deskmates kept to some rows need two (three)
//   side-by-side seats each in those rows;
// - pupils who are all pairwise apart hold at most one seat of each 2×2
//   block of the room, so that at most 12 fit in it, and fewer in some rows.
class SeatFacts
{
public:
    struct Clash {
        QList<int> clauses; // empty when counting shows no clash
        bool apartGroup = false; // a group pairwise apart, named whole
    };
    // Clauses of the given ones (as SeatConstraints takes them) that cannot
    // hold together, shown by counting. They are those the count rests on,
    // not always a minimal set; for a group of pupils pairwise apart, one
    // pupil more than the seats open to them can hold.
    static Clash clash(const SeatChart &chart, const SeatRules &rules, const QList<int> &clauses);

    // The groups of three or more items pairwise apart that no other item
    // is apart from all of (maximal cliques), as sets of items.
    static QList<quint64> apartGroups(const SeatConstraints &constraints);
    // The four ways to cut the room into 2×2 blocks (the last column or
    // row may be half a block): the block of a seat in cut 0..3, the
    // blocks that meet seats, and the fewest of the four.
    // The chart rows (bit r: row r) that seats lie in.
    static int rowsOf(SeatConstraints::SeatSet seats);
    static constexpr int Cuts = 4;
    static int blockOf(int seat, int cut);
    static int blocksMeeting(SeatConstraints::SeatSet seats, int cut);
    static int fewestBlocks(SeatConstraints::SeatSet seats);
};
