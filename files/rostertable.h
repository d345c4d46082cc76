#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

class SeatChart;

// The pupils' names in a table of cells: a school roster (a title row, a
// header row, columns such as 学号, 姓名 and 性别), a plain column of names,
// or the 7 × 5 seating table that 复制 writes, perhaps edited in a
// spreadsheet since.
//
// A list's names are the cells of its name column: the one headed 姓名 (or
// 名字, 学生姓名, Name and the like; two columns headed 姓名, as a roster
// printed in two halves has them, are read one after the other), else the
// column with the most different cells that look like names rather than
// numbers, dates, 男/女 or headers. Rows above the header, and a title row
// above the names, are skipped, and so are empty cells. A cell is cleaned as
// Open cleans an entry: white space at either end dropped, a line break or a
// tab inside it a space; a comma stays part of the name.
class RosterTable
{
public:
    struct Roster {
        enum class Kind {
            Seating, // names: 35 cells, row by row from 第1排, each from 第1列
            List,    // names: in list order, at most 35
        };
        Kind kind = Kind::List;
        // An empty string for an empty seat (an empty cell of a seating
        // table, a NULL cell of either).
        QStringList names;
        qsizetype leftOut = 0; // names of a list past the 35th
    };

    // The roster the table holds, or nullopt when it holds neither a seating
    // table (looked for only when seatingToo) nor a column of names. Names
    // are never taken from one column while others hold names too and no
    // header says which is the name column: then nullopt, and `problem`
    // (when given) says so, for the teacher.
    static std::optional<Roster> read(const QList<QStringList> &rows, bool seatingToo, QString *problem = nullptr);

    // The chart's 35 seats as the roster fills them: a list as Open fills
    // them from a seat list with those names (the seats past its end empty),
    // a seating table seat by seat as the pupils see them. The podium stays.
    static void fill(SeatChart &chart, const Roster &roster);

    // The first name that Save could not write so that it reads back the
    // same (see SeatListFile::readsBack), or nullopt.
    static std::optional<QString> firstUnsavable(const Roster &roster);

    static QString cleaned(QStringView cell);
    // Not empty, with a letter, and not a number, a date, 男/女, a header or
    // a sentence.
    static bool looksLikeName(QStringView cleanedCell);
};
