// libFuzzer target for the roster readers.
//
// Every input is taken as the bytes of an .xlsx and of an .xls workbook, and
// as the text of a .csv file and of the clipboard. Whatever the bytes, the
// readers must keep their promises, or the target aborts with a message:
// - a workbook that cannot be read is refused as no roster, naming the file,
//   with a reason;
// - a table never has more than TableText::MaxRows rows or more than
//   TableText::MaxColumns cells in a row;
// - a roster has at most 35 names (a seating table exactly 35 cells), and
//   when none of its names is refused as one Save could not keep, Save
//   writes a chart that the start-up load reads back the same.

#include "chart/seatchart.h"
#include "files/rostertable.h"
#include "files/seatlistfile.h"
#include "files/tabletext.h"
#include "files/textcodec.h"
#include "files/xlsbook.h"
#include "files/xlsxbook.h"

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_roster: %s\n", what);
    std::abort();
}

void checkTable(const QList<QStringList> &rows)
{
    check(rows.size() <= TableText::MaxRows, "more rows than the bound");
    for (const QStringList &row : rows)
        check(row.size() <= TableText::MaxColumns, "more cells in a row than the bound");
    for (const bool seatingToo : {false, true}) {
        const auto roster = RosterTable::read(rows, seatingToo);
        if (!roster)
            continue;
        check(roster->kind == RosterTable::Roster::Kind::List ? roster->names.size() <= SeatChart::SeatCount && !roster->names.isEmpty()
                                                              : seatingToo && roster->names.size() == SeatChart::SeatCount,
              "a roster of the wrong size");
        if (RosterTable::firstUnsavable(*roster))
            continue;
        SeatChart chart;
        RosterTable::fill(chart, *roster);
        const auto bytes = SeatListFile::format(chart, u"default.txt"_s);
        check(bytes.ok(), "Save refuses a roster that was taken as savable");
        const auto back = SeatListFile::parse(bytes.value(), true);
        check(back.ok() && back.value().size() == SeatChart::SeatCount, "a saved roster does not read back");
        for (int i = 0; i < SeatChart::SeatCount; ++i)
            check(SeatListFile::isNullEntry(back.value().at(i)) ? chart.seat(i).isEmpty() : back.value().at(i) == chart.seat(i),
                  "a saved roster reads back other names");
    }
}

void checkBook(const Result<QList<Worksheet>> &book, const QString &path)
{
    if (!book.ok()) {
        check(book.error().reason() == FileError::Reason::NotARoster && book.error().path() == path && !book.error().detail().isEmpty(),
              "refused for a reason other than its content, or without its file or reason");
        return;
    }
    for (const Worksheet &sheet : book.value())
        checkTable(sheet.rows);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkBook(XlsxBook::read(bytes, u"a.xlsx"_s), u"a.xlsx"_s);
    checkBook(XlsBook::read(bytes, u"a.xls"_s), u"a.xls"_s);
    if (const auto text = TextCodec::decodeText(bytes)) {
        for (const QChar separator : {u',', u'\t'})
            checkTable(TableText::parse(*text, separator).rows);
    }
    return 0;
}
