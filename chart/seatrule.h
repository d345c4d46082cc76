#pragma once

#include <QString>
#include <QStringList>

// One seating rule. Rules name pupils by the names in the chart, and seats and
// rows as the pupils count them (see SeatChart::pupilColumn).
struct SeatRule {
    enum class Kind {
        Fixed,     // first keeps the seat at column, row
        FrontRows, // first sits in rows 1 to count
        BackRows,  // first sits in the last count rows
        Apart,     // first and second are never next to each other (8 seats around)
        Together,  // first and second sit side by side (same row, adjacent columns)
    };
    static constexpr int MaxRowCount = 6;

    Kind kind = Kind::Fixed;
    QString first;
    QString second; // Apart and Together
    int column = 0; // Fixed: 1..5
    int row = 0;    // Fixed: 1..7
    int count = 0;  // FrontRows and BackRows: 1..MaxRowCount

    static SeatRule fixed(const QString &name, int column, int row) { return {Kind::Fixed, name, {}, column, row, 0}; }
    static SeatRule frontRows(const QString &name, int count) { return {Kind::FrontRows, name, {}, 0, 0, count}; }
    static SeatRule backRows(const QString &name, int count) { return {Kind::BackRows, name, {}, 0, 0, count}; }
    static SeatRule apart(const QString &first, const QString &second) { return {Kind::Apart, first, second, 0, 0, 0}; }
    static SeatRule together(const QString &first, const QString &second) { return {Kind::Together, first, second, 0, 0, 0}; }

    bool pairsPupils() const { return kind == Kind::Apart || kind == Kind::Together; }
    // The one or two pupils the rule names.
    QStringList names() const;
    // True when the numbers are in range and the names are non-empty (and,
    // for a pair, different).
    bool isValid() const;
    // The rule as the teacher reads it: "王子涵 固定在第2列第3排", "李欣怡 坐前2排",
    // "孙磊 坐后1排", "张浩然 和 刘雨桐 不相邻", "赵嘉怡 和 吴俊杰 同桌". A name with
    // right-to-left letters or direction controls is isolated (U+2068 … U+2069).
    QString sentence() const;

    friend bool operator==(const SeatRule &, const SeatRule &) = default;
};
