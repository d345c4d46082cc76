#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;

// The table on the clipboard, as spreadsheets, word processors and chat
// programs put one there: their text (cells separated by tabs, a cell with a
// line break in double quotes), or else their HTML, whose first table gives
// the rows (a merged cell fills its first place, the others stay empty) and
// which, without a table, gives a row per line.
//
// Bounded: at most MaxTextChars of the text and MaxHtmlChars of the HTML are
// read, and at most TableText::MaxRows rows kept, however much the clipboard
// holds. Nothing usable (an image, nothing at all) gives no rows.
class ClipboardTable
{
public:
    static constexpr qsizetype MaxTextChars = 1024 * 1024;
    static constexpr qsizetype MaxHtmlChars = 1024 * 1024;

    static QList<QStringList> rows(const QMimeData &data);
    static QList<QStringList> htmlRows(const QString &html);
};
