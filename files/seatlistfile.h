#pragma once

#include "chart/seatchart.h"
#include "files/entryreader.h"
#include "files/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// The seat list text file: one entry per seat, seats in index order (seat i on
// line i + 1 of a file the program wrote), "NULL" for an empty seat.
//
// Reading takes at most the first 35 entries (see EntryReader for the rule);
// nothing after them is looked at, so the time to read a list does not grow
// with the size of the file. The text is UTF-16 or UTF-8 when the file starts
// with that byte-order mark, UTF-8 when the bytes of the entries read look
// like it (see TextCodec::looksLikeUtf8), and GB18030 (code page 936)
// otherwise. A file that holds an over-long entry, a NUL byte or bytes that
// are not valid in its encoding is not a seat list, and neither is one with a
// name that would not fit in its line when saved (see fitsInFile).
//
// Writing gives 35 lines in GB18030, each ending in CR LF; a blank goes
// before the first one if its bytes would begin like a UTF-8 byte-order mark,
// and an ideographic space marks a file whose bytes would pass for UTF-8
// (see format). Save never writes what this reader would not read back as
// the same chart.
class SeatListFile
{
public:
    static constexpr int MaxEntries = SeatChart::SeatCount;
    // Enough for 35 entries of the longest allowed size with their line ends,
    // after a byte-order mark, in UTF-16 (which takes up to twice the bytes
    // of the UTF-8 that the entry bound counts).
    static constexpr qint64 ReadLimit = 2 * (MaxEntries * (EntryReader::MaxEntryBytes + 2) + 4);

    // The first (at most 35) entries of the file at path, decoded, before the
    // NULL test.
    static Result<QStringList> read(const QString &path);

    // The same for the bytes of a file; complete is false when they are only
    // its beginning. Errors carry path as the file's name.
    static Result<QStringList> parse(QByteArrayView bytes, bool complete, const QString &path = {});

    // True when Save can write the name, in any seat, in a line of at most
    // EntryReader::MaxEntryBytes bytes, so that it reads back. A name read
    // from a UTF-8 or UTF-16 file may need more bytes in GB18030 than it took
    // there (Ä: two bytes in UTF-8, four in GB18030).
    static bool fitsInFile(const QString &name);

    // True when Save writes the name so that it reads back as the same one
    // name: not NULL, fitting in its line, and quoted (or not) so that the
    // reader neither splits it nor takes a quote of its own for the end of
    // the entry (a name that begins with a double quote, or that holds both
    // a comma and a double quote, does not read back).
    static bool readsBack(const QString &name);

    // An entry that stands for an empty seat: "NULL" in any letter case.
    static bool isNullEntry(QStringView entry);

    // The 35 lines of the chart's seats as written to path, once they have
    // been read back through the start-up's reader and give exactly the
    // chart's seats. Otherwise a NotFaithful error naming the first seat that
    // cannot be written faithfully.
    static Result<QByteArray> format(const SeatChart &chart, const QString &path);

    // How one seat is written: "NULL" for an empty seat; a name that holds a
    // comma, or begins or ends with a blank, in double quotes so that it reads
    // back as the same single name; any other name as it is.
    static QString entryText(const QString &name);

private:
    // The first seat, in index order, that the bytes do not give back through
    // the start-up's reader; SeatCount when every seat comes back.
    static int firstSeatNotReadBack(const SeatChart &chart, const QByteArray &bytes);
};
