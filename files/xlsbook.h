#pragma once

#include "files/result.h"
#include "files/worksheet.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// The sheets of an Excel 97–2003 workbook (.xls, BIFF in a compound file),
// read from the file's bytes through FreeXL.
//
// FreeXL reads by path and holds every cell of a sheet in memory, so the
// bytes are handed to it in an anonymous in-memory file (never the path the
// teacher chose, which another program could swap meanwhile), and a sheet
// whose declared size is over TableText::MaxRows rows or MaxCells cells is
// refused before any cell is read. FreeXL runs in a child process with
// limits on its memory and processor time, which answers within
// TimeLimitMs or is stopped: a damaged file that crashes or stalls it is
// refused and the program goes on. An encrypted, damaged or truncated file
// is refused with a NotARoster error that says which, naming path.
class XlsBook
{
public:
    static constexpr qint64 MaxCells = 1024 * 1024;
    static constexpr qint64 TimeLimitMs = 800;
    static constexpr qsizetype MaxAnswerBytes = 256 * 1024 * 1024;

    static Result<QList<Worksheet>> read(QByteArrayView bytes, const QString &path);
};
