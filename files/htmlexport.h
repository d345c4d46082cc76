#pragma once

#include "files/fileerror.h"

#include <QByteArray>
#include <QString>

#include <optional>

class SeatChart;

// The chart as an HTML table for printing: 51 lines in GB18030, each ending in
// CR LF. The opening table tag, then for each row of seats from the top a
// "<tr>" line, one "<td>name</td>" line per column from the left and a
// "</tr>" line, then "</table>". The table alone, without a document around
// it; the podium is not shown.
class HtmlExport
{
public:
    static QByteArray table(const SeatChart &chart);

    // Writes the table to path, replacing what is there only once the whole
    // table has been written.
    static std::optional<FileError> exportHtmlTable(const SeatChart &chart, const QString &path);

    // A name as cell text: & < > " escaped, so that it shows as written and
    // never acts as markup, and line ends as character references so that the
    // table keeps one line per cell.
    static QString cellText(const QString &name);
};
