// libFuzzer target for the seat list and Option readers.
//
// Every input is taken as the bytes of a seat list and of an Option file and
// goes through SeatListFile::parse (whole file and beginning of a longer one)
// and Option::parse; a sample of the inputs also goes, as files, through the
// three chart readers and Option::read. Whatever the bytes, each reader must
// keep its promises; a broken one aborts with a message:
// - at most 35 entries, none longer than an entry's 4096 bytes can decode to
//   (4096 UTF-16 code units), none holding a NUL or a line end, none with an
//   unpaired surrogate;
// - a file that is not a seat list leaves the chart exactly as it was, and is
//   refused by every reader for the same reason;
// - reading the file gives what parsing its bytes gives;
// - the chart read from the file, and the exam room laid out from it, written
//   the way Save writes them, read back as the same 35 names, through parse
//   and through the start-up load (see readAsUtf8 for the one exception).

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/entryreader.h"
#include "files/option.h"
#include "files/seatlistfile.h"
#include "files/textcodec.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHashFunctions>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Option::read looks at no more than this many bytes of the file.
constexpr qsizetype OptionReadLimit = 4096;

[[noreturn]] void broken(const char *what)
{
    std::fprintf(stderr, "fuzz_seatlist: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

void check(bool condition, const char *what)
{
    if (!condition)
        broken(what);
}

// Files live in a private folder in memory when the system has one: each
// input is written once, so the readers that take a path can be exercised
// without touching a disk.
struct Workspace {
    std::unique_ptr<QTemporaryDir> root;
    QString listFolder;  // holds the input as default.txt and as Option
    QString savedFolder; // holds what Save writes for the chart read
    QString listPath;
    QString optionPath;
    QString savedPath;
};

void writeFile(const QString &path, QByteArrayView bytes)
{
    // Only ever a regular file inside our own temporary folder.
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot open a scratch file");
    check(file.write(bytes.data(), bytes.size()) == bytes.size(), "cannot write a scratch file");
}

const Workspace &workspace()
{
    static const Workspace space = [] {
        Workspace w;
        const QString base = QDir(u"/dev/shm"_s).exists() && QFileInfo(u"/dev/shm"_s).isWritable()
            ? u"/dev/shm/sedario-fuzz-XXXXXX"_s
            : QDir::temp().filePath(u"sedario-fuzz-XXXXXX"_s);
        w.root = std::make_unique<QTemporaryDir>(base);
        check(w.root->isValid(), "cannot create the scratch folder");
        const QDir root(w.root->path());
        check(root.mkdir(u"list"_s) && root.mkdir(u"saved"_s), "cannot create the scratch folders");
        w.listFolder = root.filePath(u"list"_s);
        w.savedFolder = root.filePath(u"saved"_s);
        w.listPath = ChartFiles::workingFilePath(w.listFolder, ChartFiles::SeatListName);
        w.optionPath = ChartFiles::workingFilePath(w.listFolder, ChartFiles::OptionName);
        w.savedPath = ChartFiles::workingFilePath(w.savedFolder, ChartFiles::SeatListName);
        // Option is a second name of default.txt, so one write per input
        // gives both files the same bytes.
        writeFile(w.listPath, {});
        check(::link(QFile::encodeName(w.listPath).constData(), QFile::encodeName(w.optionPath).constData()) == 0,
              "cannot link Option to default.txt");
        return w;
    }();
    return space;
}

bool isUtf16(QByteArrayView bytes)
{
    return bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
}

void checkEntries(const QStringList &entries)
{
    check(entries.size() <= SeatListFile::MaxEntries, "more than 35 entries");
    for (const QString &entry : entries) {
        check(entry.size() <= EntryReader::MaxEntryBytes, "entry longer than the bound");
        check(!entry.contains(QChar(0)), "NUL in an entry");
        check(!entry.contains(u'\r') && !entry.contains(u'\n'), "line end in an entry");
        check(entry.isValidUtf16(), "unpaired surrogate in an entry");
    }
}

void checkResult(const Result<QStringList> &result, const QString &path)
{
    if (result.ok()) {
        checkEntries(result.value());
        return;
    }
    check(result.error().reason() == FileError::Reason::NotASeatList, "refused for a reason other than its content");
    check(result.error().path() == path, "error names another file");
    check(!result.error().detail().isEmpty(), "refusal without a reason");
}

// A chart with a name in every seat, the podium at the top and a swap pending,
// so that any change a reader makes shows.
SeatChart occupiedChart()
{
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, u"旧%1"_s.arg(i));
    chart.setPodiumSide(PodiumSide::Top);
    chart.clickSeat(17);
    return chart;
}

bool listed(const QStringList &entries, int i)
{
    return i < entries.size() && !SeatListFile::isNullEntry(entries.at(i));
}

// What Open makes of the chart: every seat rewritten from the entries.
SeatChart openedChart(const SeatChart &before, const QStringList &entries)
{
    SeatChart chart = before;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, listed(entries, i) ? entries.at(i) : QString());
    return chart;
}

std::optional<PodiumSide> expectedOption(QByteArrayView bytes)
{
    qsizetype lineEnd = 0;
    while (lineEnd < bytes.size() && bytes[lineEnd] != '\r' && bytes[lineEnd] != '\n')
        ++lineEnd;
    const bool wholeLineRead = lineEnd < bytes.size() ? lineEnd < OptionReadLimit : bytes.size() <= OptionReadLimit;
    return wholeLineRead ? Option::parse(bytes.first(lineEnd)) : std::nullopt;
}

// A file without a byte-order mark whose bytes are valid UTF-8 with a wide
// character is read as UTF-8. GB18030 text can be that by chance (F1 B8 89 89
// is two GB18030 characters and one UTF-8 one), and a chart saved as such
// bytes reads back as other names. That is a limit of the detection rule, not
// a reader fault, and only such files are let off the name comparison.
bool readAsUtf8(const QByteArray &saved)
{
    return TextCodec::looksLikeUtf8(saved);
}

// Save writes the chart; parse must give back the same 35 seats.
void checkRoundTrip(const SeatChart &chart)
{
    const QByteArray saved = SeatListFile::format(chart);
    const auto parsed = SeatListFile::parse(saved, true);
    check(parsed.ok(), "a saved chart is not a seat list");
    check(parsed.value().size() == SeatChart::SeatCount, "a saved chart does not give 35 entries");
    if (readAsUtf8(saved))
        return;
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const QString &entry = parsed.value().at(i);
        const bool same = chart.seat(i).isEmpty() ? SeatListFile::isNullEntry(entry) : entry == chart.seat(i);
        check(same, "a saved seat reads back as another name");
    }
}

// The readers that take a path, on the input written as default.txt and
// Option, must agree with parse; the start-up load must read Save's output
// back as the chart that was saved.
void checkFileReaders(QByteArrayView bytes, const Result<QStringList> &whole, const SeatChart &before)
{
    const Workspace &w = workspace();
    writeFile(w.listPath, bytes);

    // The file reader reads only a bounded beginning; that must never change
    // what a seat list gives, except that a long UTF-16 file cut there may
    // lose a broken tail.
    const bool readAsParsed = whole.ok() || !isUtf16(bytes) || bytes.size() <= 2 * SeatListFile::ReadLimit;
    const auto fromFile = readAsParsed ? whole : SeatListFile::read(w.listPath);
    checkResult(fromFile, w.listPath);
    const QStringList entries = fromFile.ok() ? fromFile.value() : QStringList();

    const auto option = Option::read(w.optionPath);
    check(option.ok(), "Option cannot be read");
    check(option.value() == expectedOption(bytes), "Option::read disagrees with its first line");

    // Start-up: listed seats change, NULL and missing entries keep theirs.
    SeatChart started = before;
    const QList<FileError> problems = ChartFiles::loadWorkingFiles(started, w.listFolder);
    check(problems.size() == (fromFile.ok() ? 0 : 1), "start-up reports other problems than the reader");
    if (!fromFile.ok())
        check(problems.first() == fromFile.error(), "start-up reports another error than the reader");
    check(started.podiumSide() == option.value().value_or(before.podiumSide()), "start-up sets the wrong podium side");
    check(started.swapSelection() == before.swapSelection(), "start-up touches the swap selection");
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const QString &expected = fromFile.ok() && listed(entries, i) ? entries.at(i) : before.seat(i);
        check(started.seat(i) == expected, "start-up sets a seat wrongly");
    }

    // Open: every seat rewritten, or nothing at all on error.
    SeatChart opened = before;
    const std::optional<FileError> openError = ChartFiles::loadSeatList(opened, w.listPath);
    check(openError.has_value() != fromFile.ok(), "Open disagrees with the reader");
    if (openError) {
        check(*openError == fromFile.error(), "Open reports another error than the reader");
        check(opened == before, "a refused Open changed the chart");
    } else {
        check(opened == openedChart(before, entries), "Open sets the chart wrongly");
    }

    // Exam room: the same names, NULL turned into an empty place.
    const auto exam = ChartFiles::readExamList(w.listPath);
    check(exam.ok() == fromFile.ok(), "the exam list disagrees with the reader");
    if (exam.ok()) {
        check(exam.value().size() == entries.size(), "the exam list has another length");
        for (int i = 0; i < entries.size(); ++i) {
            const QString &name = exam.value().at(i);
            check(listed(entries, i) ? name == entries.at(i) : name.isEmpty(), "the exam list changes a name");
        }
    }

    if (!openError) {
        const QByteArray saved = SeatListFile::format(opened);
        writeFile(w.savedPath, saved);
        SeatChart loaded;
        check(ChartFiles::loadWorkingFiles(loaded, w.savedFolder).isEmpty(), "a saved chart fails to load");
        if (!readAsUtf8(saved)) {
            for (int i = 0; i < SeatChart::SeatCount; ++i)
                check(loaded.seat(i) == opened.seat(i), "a saved seat loads as another name");
        }
    }
}

// The readers that take a path cost a file write and several bounded reads,
// over ten times what parse costs, so while fuzzing they see one input in
// FileSample, chosen by the input's hash so that a replay takes the same way.
// Replaying files given on the command line checks every one of them.
constexpr size_t FileSample = 16;
bool everyInputThroughFiles = false;

void checkInput(QByteArrayView bytes)
{
    const Workspace &w = workspace();
    const auto whole = SeatListFile::parse(bytes, true, w.listPath);
    const auto beginning = SeatListFile::parse(bytes, false, w.listPath);
    checkResult(whole, w.listPath);
    checkResult(beginning, w.listPath);
    if (whole.ok() && beginning.ok())
        check(whole.value() == beginning.value(), "the beginning of a file reads other entries than the file");
    // Only UTF-16 may read where the whole file does not: a character cut in
    // two at the end of the beginning is dropped.
    if (beginning.ok() && !isUtf16(bytes))
        check(whole.ok(), "the beginning of a file reads but the file does not");

    // Any bytes as a first line: only the sanitizers can object.
    (void)Option::parse(bytes);

    const SeatChart before = occupiedChart();
    if (whole.ok()) {
        checkRoundTrip(openedChart(before, whole.value()));
        // The exam room puts names into other seats, the first one included.
        QStringList examinees = whole.value();
        for (QString &name : examinees) {
            if (SeatListFile::isNullEntry(name))
                name.clear();
        }
        SeatChart exam;
        exam.arrangeExamRoom(examinees);
        checkRoundTrip(exam);
    }

    if (everyInputThroughFiles || bytes.size() > SeatListFile::ReadLimit
        || qHashBits(bytes.data(), size_t(bytes.size())) % FileSample == 0)
        checkFileReaders(bytes, whole, before);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // libFuzzer runs each file named on the command line once instead of
    // fuzzing (folders are corpora to fuzz from).
    for (int i = 1; i < *argc; ++i) {
        const char *arg = (*argv)[i];
        if (arg[0] != '-' && QFileInfo(QFile::decodeName(arg)).isFile())
            everyInputThroughFiles = true;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    checkInput(QByteArrayView(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    return 0;
}
