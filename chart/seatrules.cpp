#include "chart/seatrules.h"

#include "chart/seatchart.h"
#include "chart/seatconstraints.h"

#include <QHash>

using namespace Qt::StringLiterals;

const QString SeatRules::EveryoneMovesText = u"每人换座位"_s;
const QString SeatRules::NewDeskmatesText = u"每人换同桌"_s;

namespace {

// The one seat holding name, -1 when none does, -2 when more than one does.
int seatOf(const SeatChart &chart, const QString &name)
{
    int found = -1;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        if (chart.seat(i) == name) {
            if (found >= 0)
                return -2;
            found = i;
        }
    }
    return found;
}

bool nextTo(int a, int b)
{
    return (SeatConstraints::around(a) & SeatConstraints::bit(b)) != 0;
}

bool sideBySide(int a, int b)
{
    return (SeatConstraints::sideBySide(a) & SeatConstraints::bit(b)) != 0;
}

} // namespace

SeatRules::Standing SeatRules::standing(const SeatRule &rule, const SeatChart &chart)
{
    const int first = seatOf(chart, rule.first);
    const int second = rule.pairsPupils() ? seatOf(chart, rule.second) : 0;
    if (first == -1 || second == -1)
        return Standing::NotInClass;
    if (first == -2 || second == -2)
        return Standing::Ambiguous;
    bool met = false;
    switch (rule.kind) {
    case SeatRule::Kind::Fixed: met = chart.pupilColumn(first) == rule.column && chart.pupilRow(first) == rule.row; break;
    case SeatRule::Kind::FrontRows: met = chart.pupilRow(first) <= rule.count; break;
    case SeatRule::Kind::BackRows: met = chart.pupilRow(first) > SeatChart::Rows - rule.count; break;
    case SeatRule::Kind::Apart: met = !nextTo(first, second); break;
    case SeatRule::Kind::Together: met = sideBySide(first, second); break;
    }
    return met ? Standing::Met : Standing::NotMet;
}

bool SeatRules::isActive(const SeatRule &rule, const SeatChart &chart)
{
    if (!rule.isValid())
        return false; // no file or dialog makes one; a draw must not trust it
    const Standing s = standing(rule, chart);
    return s == Standing::Met || s == Standing::NotMet;
}

qsizetype SeatRules::fixedRuleAt(const SeatChart &chart, int index) const
{
    const QString &name = chart.seat(index);
    if (name.isEmpty() || seatOf(chart, name) != index)
        return -1;
    const SeatRule wanted = SeatRule::fixed(name, chart.pupilColumn(index), chart.pupilRow(index));
    return rules.indexOf(wanted);
}

void SeatRules::toggleFixedAt(const SeatChart &chart, int index)
{
    const QString &name = chart.seat(index);
    if (name.isEmpty() || seatOf(chart, name) != index)
        return;
    if (const qsizetype at = fixedRuleAt(chart, index); at >= 0) {
        rules.removeAt(at);
        return;
    }
    add(SeatRule::fixed(name, chart.pupilColumn(index), chart.pupilRow(index)));
}

qsizetype SeatRules::add(const SeatRule &rule)
{
    // A pupil has one fixed seat: a new one takes the place of the old.
    for (qsizetype i = 0; i < rules.size() && rule.kind == SeatRule::Kind::Fixed; ++i) {
        if (rules.at(i).kind == SeatRule::Kind::Fixed && rules.at(i).first == rule.first) {
            rules[i] = rule;
            return i;
        }
    }
    rules.append(rule);
    return rules.size() - 1;
}

bool SeatRules::metBy(const SeatChart &before, const SeatChart &after) const
{
    QStringList fixed;
    for (const SeatRule &rule : rules) {
        if (!isActive(rule, before))
            continue;
        if (standing(rule, after) != Standing::Met)
            return false;
        if (rule.kind == SeatRule::Kind::Fixed)
            fixed.append(rule.first);
    }
    QHash<QString, QList<int>> seatsAfter;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        seatsAfter[after.seat(i)].append(i);
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const QString &name = before.seat(i);
        if (name.isEmpty())
            continue;
        if (everyoneMoves && after.seat(i) == name && !fixed.contains(name))
            return false;
        // The seat on the right is enough: each pair is looked at once.
        const int right = i + SeatChart::Rows;
        if (!newDeskmates || right >= SeatChart::SeatCount || before.seat(right).isEmpty() || before.seat(right) == name)
            continue;
        for (int a : seatsAfter.value(name)) {
            for (int b : seatsAfter.value(before.seat(right))) {
                if (sideBySide(a, b))
                    return false;
            }
        }
    }
    return true;
}
