#pragma once

#include <QChar>
#include <QList>
#include <QStringList>
#include <QStringView>

// Text that holds a table, as spreadsheets copy a block of cells (tabs between
// cells) and write a .csv file (commas): a row per line, a cell that holds
// the separator, a line break or a double quote in double quotes, with each
// of its quotes doubled.
//
// Bounded: at most MaxRows rows are read, and cut tells that there were more;
// at most MaxColumns cells of each are kept (a roster has a handful). A
// quote that does not close its cell as a spreadsheet writes it (never
// closed, or followed by more text) is an ordinary character, and its cell
// ends at the next separator or line end, so one stray quote cannot join
// the names of several cells. Time grows with the length of the text alone.
class TableText
{
public:
    static constexpr qsizetype MaxRows = 10000;
    static constexpr qsizetype MaxColumns = 64;

    struct Table {
        QList<QStringList> rows;
        bool cut = false;
    };

    // A line break (LF, CR LF or a lone CR) ends a row; one at the very end
    // adds no empty row.
    static Table parse(QStringView text, QChar separator);
};
