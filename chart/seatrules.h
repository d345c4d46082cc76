#pragma once

#include "chart/seatrule.h"

#include <QList>
#include <QString>

class SeatChart;

// The seating rules of a class: a list of rules about pupils and two switches
// that apply to every pupil at a draw.
//
// A rule is active in a chart when each pupil it names sits in exactly one
// seat. A rule naming a pupil who is not in the chart is kept but ignored (not
// in this class); so is one naming a pupil whose name more than one seat holds
// (ambiguous).
struct SeatRules {
    // How a chart stands with one rule.
    enum class Standing { Met, NotMet, NotInClass, Ambiguous };

    QList<SeatRule> rules;
    bool everyoneMoves = false; // 每人换座位: no pupil without a fixed seat keeps the seat
    bool newDeskmates = false;  // 每人换同桌: no two side-by-side pupils stay side by side

    static const QString EveryoneMovesText; // "每人换座位"
    static const QString NewDeskmatesText;  // "每人换同桌"

    bool isEmpty() const { return rules.isEmpty() && !everyoneMoves && !newDeskmates; }
    static Standing standing(const SeatRule &rule, const SeatChart &chart);
    // True when the rule takes part in a draw in this chart: it is valid and
    // each pupil it names sits in exactly one seat.
    static bool isActive(const SeatRule &rule, const SeatChart &chart);

    // True when after, drawn from before, meets every rule active in before
    // and the switches that are on.
    bool metBy(const SeatChart &before, const SeatChart &after) const;

    // The index in rules of the fixed-seat rule that keeps the pupil now in
    // seat index there, or -1 (also for an empty seat or an ambiguous name).
    qsizetype fixedRuleAt(const SeatChart &chart, int index) const;
    // Adds a rule at the end, or for a fixed seat in the place of the
    // pupil's fixed seat where there is one: a pupil has one fixed seat.
    // Returns where it went.
    qsizetype add(const SeatRule &rule);
    // Adds the fixed-seat rule for the pupil in seat index (replacing any
    // other fixed seat of theirs), or removes it when it is there. Does
    // nothing for an empty seat or an ambiguous name.
    void toggleFixedAt(const SeatChart &chart, int index);

    friend bool operator==(const SeatRules &, const SeatRules &) = default;
};
