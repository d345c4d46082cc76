// libFuzzer target for the seat list and Option readers.
//
// Every input is taken as the bytes of a seat list and of an Option file. It
// goes through SeatListFile::parse (as a whole file and as the beginning of a
// longer one) and Option::parse; a sample of the inputs also goes, as files,
// through the three chart readers and Option::read. Whatever the bytes, the
// readers must keep their promises, or the target aborts with a message:
// - at most 35 entries, none longer than 4096 bytes can decode to, none
//   holding a NUL or a line end or an unpaired surrogate;
// - a file that is not a seat list is refused, naming the file, and leaves
//   the chart exactly as it was on Open, and every seat as it was at
//   start-up;
// - a chart read from the file, and the exam room laid out from it, are
//   either saved so that the start-up load reads back the same chart, or
//   refused by Save with nothing written.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/entryreader.h"
#include "files/option.h"
#include "files/rulesfile.h"
#include "files/seatlistfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {

void check(bool condition, const char *what)
{
    if (condition)
        return;
    std::fprintf(stderr, "fuzz_seatlist: %s\n", what);
    std::abort();
}

void checkEntries(const Result<QStringList> &result, const QString &path)
{
    if (!result.ok()) {
        const FileError &error = result.error();
        check(error.reason() == FileError::Reason::NotASeatList && error.path() == path && !error.detail().isEmpty(),
              "refused for a reason other than its content, or without its file or reason");
        return;
    }
    check(result.value().size() <= SeatListFile::MaxEntries, "more than 35 entries");
    for (const QString &entry : result.value()) {
        check(entry.size() <= EntryReader::MaxEntryBytes && entry.isValidUtf16() && !entry.contains(QChar(0)) && !entry.contains(u'\r')
                  && !entry.contains(u'\n'),
              "an entry over the bound, or with a NUL, a line end or an unpaired surrogate");
    }
}

// Save either writes what the start-up load reads back as the same seats
// and podium, or refuses, as NotFaithful, and changes no file.
void checkRoundTrip(const SeatChart &chart, const QString &folder)
{
    const auto bytesOf = [&](const QString &name) {
        QFile file(QDir(folder).filePath(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() + '|' : QByteArray();
    };
    const QByteArray before = bytesOf(u"default.txt"_s) + bytesOf(u"Option"_s);
    if (const auto error = ChartFiles::saveWorkingFiles(chart, {}, {}, folder).error) {
        check(error->reason() == FileError::Reason::NotFaithful, "Save refused for another reason");
        check(bytesOf(u"default.txt"_s) + bytesOf(u"Option"_s) == before, "a refused Save changed a file");
        return;
    }
    SeatChart started;
    RulesFile::Snapshot rules;
    check(ChartFiles::loadWorkingFiles(started, rules, folder).isEmpty(), "a saved chart is refused at start-up");
    check(started.arrangement() == chart.arrangement(), "a saved chart starts up as another");
}

void checkFileReaders(QByteArrayView bytes, const SeatChart &before)
{
    static QTemporaryDir scratch(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/sedario-fuzz-XXXXXX"_s
                                                              : QDir::temp().filePath(u"sedario-fuzz-XXXXXX"_s));
    const QString list = scratch.filePath(u"default.txt"_s);
    static const bool linked = QFile(list).open(QIODevice::WriteOnly) && QFile::link(list, scratch.filePath(u"Option"_s));
    check(linked, "cannot prepare the scratch folder");
    QFile file(list);
    check(file.open(QIODevice::WriteOnly) && file.write(bytes.data(), bytes.size()) == bytes.size(), "cannot write");
    file.close();

    const auto read = SeatListFile::read(list);
    checkEntries(read, list);
    (void)Option::read(scratch.filePath(u"Option"_s));

    // A refused file changes nothing at start-up or on Open.
    SeatChart started = before, opened = before;
    RulesFile::Snapshot rules;
    (void)ChartFiles::loadWorkingFiles(started, rules, scratch.path());
    (void)ChartFiles::loadSeatList(opened, list);
    const auto exam = ChartFiles::readExamList(list);
    if (!read.ok()) {
        // Option, the same bytes through a link, may still move the podium at
        // start-up.
        started.setPodiumSide(before.podiumSide());
        check(opened == before && started == before, "a refused seat list changed the chart");
        return;
    }
    static QTemporaryDir saves(QFileInfo(scratch.path()).path() + u"/sedario-save-XXXXXX"_s);
    checkRoundTrip(started, saves.path());
    checkRoundTrip(opened, saves.path());
    SeatChart room;
    room.arrangeExamRoom(exam.value());
    checkRoundTrip(room, saves.path());
}

void checkInput(QByteArrayView bytes, bool throughFiles)
{
    const auto whole = SeatListFile::parse(bytes, true, u"list"_s);
    const auto beginning = SeatListFile::parse(bytes, false, u"list"_s);
    checkEntries(whole, u"list"_s);
    checkEntries(beginning, u"list"_s);
    if (whole.ok() && beginning.ok())
        check(whole.value() == beginning.value(), "the beginning of a file reads other entries than the file");
    (void)Option::parse(bytes);
    // Save writes back whatever the rules file held, rules and kept lines.
    const RulesFile::Contents rules = RulesFile::parse(bytes).contents;
    const auto rulesWritten = RulesFile::format(rules);
    check(rulesWritten.ok() || rulesWritten.error().detail().contains(u"字节"_s), "a rules file read is not written back");

    if (!throughFiles)
        return;
    SeatChart before;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        before.setSeat(i, u"旧%1"_s.arg(i));
    before.clickSeat(17);
    checkFileReaders(bytes, before);
}

// Files named on the command line (a corpus replay) all go through the file
// readers; while fuzzing, one input in 16, chosen by its hash so that a
// replay takes the same way, and every input longer than the read limit.
bool replaying = false;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    for (int i = 1; i < *argc; ++i)
        replaying = replaying || ((*argv)[i][0] != '-' && QFileInfo(QFile::decodeName((*argv)[i])).isFile());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    checkInput(bytes, replaying || bytes.size() > SeatListFile::ReadLimit || qHashBits(bytes.data(), size_t(bytes.size())) % 16 == 0);
    return 0;
}
