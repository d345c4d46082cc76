#pragma once

#include "files/result.h"
#include "files/worksheet.h"

#include <QList>
#include <QString>

// A class roster exported from a school's system or kept in a spreadsheet:
// an .xlsx or .xls workbook, or a .csv file, as sheets of text cells (a
// .csv file is one sheet named after the file).
//
// The extension says what the file must be, and its first bytes must agree:
// a file that is something else (an .xls that is really text or a web page,
// an encrypted workbook saved under .xlsx) is refused with a message that
// says what it seems to be. A .csv file is text in UTF-8 or UTF-16 with a
// byte-order mark, UTF-8 that looks like it, or GBK (GB18030), as seat lists
// are decided. Bounded: the file is read once, at most MaxFileBytes; a
// longer one is refused unread (a class's roster is a few kilobytes), and so
// is anything a workbook reader refuses (see XlsxBook, XlsBook). Folders,
// pipes and planted links are refused as by every reader (FileBytes).
class RosterFile
{
public:
    static constexpr qint64 MaxFileBytes = 8 * 1024 * 1024;

    // True for a path whose extension (in any letter case) is one this
    // reads: xlsx, xls, csv.
    static bool isRoster(const QString &path);

    static Result<QList<Worksheet>> read(const QString &path);
};
