#pragma once

#include "files/tabletext.h"

#include <QString>

class QMimeData;

// The table on the clipboard, as spreadsheets, word processors and chat
// programs put one there: their text (cells separated by tabs, a cell with a
// line break in double quotes), or else their HTML, whose first table gives
// the rows (a merged cell fills its first place, the others stay empty) and
// which, without a table, gives a row per line.
//
// Bounded: at most MaxTextChars of the text and MaxHtmlChars of the HTML are
// read, and at most TableText::MaxRows rows kept, however much the clipboard
// holds; HTML that nests elements deeper than any spreadsheet does is not
// read. Nothing usable (an image, nothing at all) gives no rows.
class ClipboardTable
{
public:
    static constexpr qsizetype MaxTextChars = 1024 * 1024;
    static constexpr qsizetype MaxHtmlChars = 1024 * 1024;

    // The rows, and whether there were more than were kept.
    static TableText::Table rows(const QMimeData &data);
    static TableText::Table htmlRows(const QString &html);
};
