#pragma once

#include "files/result.h"
#include "files/worksheet.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

// The sheets of an Office Open XML workbook (.xlsx), read from the file's
// bytes: the zip container through minizip, the workbook, its relations,
// the shared strings and each sheet through QXmlStreamReader. Cells hold
// shared strings, inline strings, formula results and numbers.
//
// Bounded whatever the file claims: at most MaxUnpackedBytes are inflated
// for the whole workbook (a zip bomb stops there), a zip of more than
// MaxParts parts is refused, at most MaxSheets sheets, TableText::MaxRows
// rows of each and MaxStrings shared strings are read, each part's XML is
// checked for nesting and attributes no workbook has before it is parsed,
// and reading stops after TimeLimitMs. A file that is cut short, damaged,
// encrypted or over a bound is refused with a NotARoster error that says
// which, naming path.
class XlsxBook
{
public:
    static constexpr qint64 MaxUnpackedBytes = 32 * 1024 * 1024;
    static constexpr qsizetype MaxSheets = 64;
    static constexpr qsizetype MaxParts = 4096;
    static constexpr qsizetype MaxStrings = 200000;
    static constexpr qint64 TimeLimitMs = 800;

    static Result<QList<Worksheet>> read(QByteArrayView bytes, const QString &path);
};
