// Speed of the printed sheet: the two PDF pages, the PNG, the three
// clipboard forms at once, and one picture of a full-HD screen as the
// full-screen view paints it (every 40 ms while a seating is drawn). Every
// seat holds a name of 12 characters, which the sheet puts on two lines; the
// PDF and PNG once more with 2,048 hanzi in every seat (longest_names), the
// most a seat list's entry holds, which the sheet cuts. These
// run in this process, on the offscreen platform, again and again: fonts,
// glyphs and shaping tables are loaded by then.
//
// Two more kinds of entry run in child processes of this one, started from
// this same program:
//
// - Cold/pdf and Cold/png: the first SheetDocuments::pdf() or png() of a
//   fresh process (bench_sheet --cold=pdf or --cold=png), what the first
//   export after starting the program costs. Each repetition is a new child
//   that makes its QGuiApplication (offscreen) and the sheet, then times that
//   one call and prints the milliseconds. Included: all that the first call
//   sets up for itself, since nothing in the child has drawn text before it:
//   Qt's font database filled from fontconfig, the family look-up, the CJK
//   faces opened with FreeType, HarfBuzz's tables of the shaped sheet font,
//   glyph outlines (PDF) or glyphs rasterised (PNG) at sizes not used before,
//   the PDF's glyph naming, zlib. Not included: starting the process, loading
//   the libraries and the platform plugin, making the application and the
//   chart. The disk cache is warm (the font files were read moments before),
//   unlike the first export after booting; ColdDisk/pdf and ColdDisk/png are
//   the same with every installed font file (fc-list) dropped from the disk
//   cache before each child (posix_fadvise), as after booting. The program itself has filled the
//   font database and opened the regular face for its window before a
//   teacher exports, so with a warm disk cache a teacher's first export
//   costs these figures at the most.
//
// - Paste/xclip: another process pastes the picture that Copy put on the
//   system clipboard. A child of this program (bench_sheet --paste-owner),
//   an X client on the xcb platform, puts SheetDocuments::clipboardData() on
//   the clipboard with QClipboard::setMimeData(), then starts
//   `xclip -selection clipboard -t image/png -o` and runs its event loop
//   (from which it answers xclip's request) until the last byte of the
//   picture has come back through xclip's output. Timed: from starting xclip
//   (the paste asked for) to that last byte, so xclip's own start and its
//   connection to the X server count too; not timed: the copy before it
//   (ClipboardData measures that). The bytes must be those of the PNG put on
//   the clipboard: a failed or short paste is an error, not a time. The
//   child makes one untimed paste when it starts (shown in the summary as
//   its first paste). The X server is the one of DISPLAY when it is set
//   (there the paste takes over the desktop's clipboard, which the child
//   clears when it ends), else an Xvfb that this program starts on a free
//   display for the entry and stops at the end. Without either, or without
//   xclip, the entry is skipped and the summary says why.
//
// The target: each stays under 100 ms. Without flags each in-process
// benchmark runs 9 times, each cold entry 15 times and the paste 15 times;
// only the mean, median, slowest, spread and coefficient of variation are
// shown, and the summary after the table compares the medians with the
// target. Later flags override the defaults, e.g. --benchmark_repetitions=15
// (in-process entries), --cold_runs=31, --paste_runs=31;
// --benchmark_filter=Cold runs the cold entries alone. The rows of the
// child-process entries are the children's own clocks (manual time); their
// CPU column is this process's, which only waits. The program ends with
// status 1 when an entry failed.

#include "bench/classnames.h"
#include "sheet/sheetdocuments.h"

#include <QClipboard>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetMilliseconds = 100;
constexpr int DefaultChildRuns = 15;
// Longest wait for a child, an X server or xclip before the entry fails.
constexpr int ChildTimeoutMs = 60000;
constexpr int PasteTimeoutMs = 10000;

// Each seat's name is four of ClassNames in a row.
ChartSheet classSheet()
{
    SeatChart chart;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        QString name;
        for (int k = 0; k < 4; ++k)
            name += ClassNames.at((seat + k) % ClassNames.size());
        chart.setSeat(seat, name);
    }
    return ChartSheet(chart, ChartSheet::titleFor(u"高一3班"_s), QDate(2026, 12, 7));
}

// Entries whose run went wrong, with why: the summary shows them and the
// program fails, whatever the table shows of the other repetitions.
std::map<std::string, std::string> &failures()
{
    static std::map<std::string, std::string> failed;
    return failed;
}

void fail(benchmark::State &state, const std::string &entry, const QString &why)
{
    const std::string message = why.toStdString();
    failures().emplace(entry, message);
    state.SkipWithError(message.c_str());
}

// Every seat holds a name of 2,048 hanzi, the longest a seat list's entry
// can hold (4,096 bytes of GBK): the sheet cuts each to two lines.
ChartSheet longestSheet()
{
    SeatChart chart;
    for (int seat = 0; seat < SeatChart::SeatCount; ++seat) {
        QString name;
        for (int k = 0; name.size() < 2048; ++k)
            name += ClassNames.at((seat + k) % ClassNames.size());
        chart.setSeat(seat, name.left(2048));
    }
    return ChartSheet(chart, ChartSheet::titleFor(u"高一3班"_s), QDate(2026, 12, 7));
}

void pdf(benchmark::State &state, const ChartSheet &sheet)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(SheetDocuments::pdf(sheet));
}

void png(benchmark::State &state, const ChartSheet &sheet)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(SheetDocuments::png(sheet));
}

void clipboardData(benchmark::State &state, const ChartSheet &sheet)
{
    for (auto _ : state) {
        const std::unique_ptr<QMimeData> data(SheetDocuments::clipboardData(sheet));
        benchmark::DoNotOptimize(data.get());
    }
}

void paintScreen(benchmark::State &state, const ChartSheet &sheet)
{
    QImage screen(1920, 1080, QImage::Format_RGB32);
    for (auto _ : state) {
        QPainter painter(&screen);
        sheet.paint(painter, QRectF(screen.rect()), ChartSheet::View::FacingPodium);
    }
}

// A line from a child's output, without its line break, or nothing when none
// comes in time (the child ended, or hangs).
std::optional<QByteArray> readLine(QProcess &child, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!child.canReadLine()) {
        if (!child.waitForReadyRead(int(deadline.remainingTime())))
            return std::nullopt;
    }
    return child.readLine().trimmed();
}

QString childEnd(const QProcess &child)
{
    if (child.state() != QProcess::NotRunning)
        return u"no answer within %1 s"_s.arg(ChildTimeoutMs / 1000);
    if (child.exitStatus() == QProcess::CrashExit)
        return u"it crashed"_s;
    return u"it ended with exit code %1"_s.arg(child.exitCode());
}

// ---- The cold first export -------------------------------------------------

// The child: the first pdf() or png() of this process, in milliseconds on
// standard output. The bytes are checked after the clock has stopped.
int coldFirstExport(int argc, char **argv, const std::string &kind)
{
    if (kind != "pdf" && kind != "png") {
        std::fprintf(stderr, "bench_sheet: --cold=pdf or --cold=png\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication application(argc, argv);
    const ChartSheet sheet = classSheet();

    QElapsedTimer timer;
    timer.start();
    const QByteArray bytes = kind == "pdf" ? SheetDocuments::pdf(sheet) : SheetDocuments::png(sheet);
    const qint64 nanoseconds = timer.nsecsElapsed();

    const bool made = kind == "pdf" ? bytes.startsWith("%PDF-") && bytes.trimmed().endsWith("%%EOF")
                                    : QImage::fromData(bytes, "PNG").width() >= SheetDocuments::MinimumImageWidth;
    if (!made) {
        std::fprintf(stderr, "bench_sheet: the first %s is no %s file (%lld bytes)\n", kind.c_str(), kind.c_str(),
                     static_cast<long long>(bytes.size()));
        return 1;
    }
    std::printf("%.3f\n", double(nanoseconds) / 1e6);
    return 0;
}

// Drops the installed font files from the disk cache, as after booting: the
// next process reads from the disk what its first export needs of them.
bool evictFonts()
{
    static const QStringList files = [] {
        QProcess list;
        list.start(u"fc-list"_s, {u"--format=%{file}\n"_s});
        list.waitForFinished();
        return QString::fromLocal8Bit(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    }();
    for (const QString &file : files) {
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
    return !files.isEmpty();
}

void coldFirst(benchmark::State &state, const std::string &kind, bool fromDisk)
{
    const std::string entry = (fromDisk ? "ColdDisk/" : "Cold/") + kind;
    for (auto _ : state) {
        if (fromDisk && !evictFonts()) {
            fail(state, entry, u"fc-list named no font file"_s);
            break;
        }
        // Its warnings are shown only when it fails, not once a child.
        QProcess child;
        child.setProcessChannelMode(QProcess::SeparateChannels);
        child.start(QCoreApplication::applicationFilePath(), {u"--cold="_s + QString::fromStdString(kind)});
        const std::optional<QByteArray> line = readLine(child, ChildTimeoutMs);
        child.waitForFinished(ChildTimeoutMs);
        bool number = false;
        const double milliseconds = line ? line->toDouble(&number) : 0;
        if (!number || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
            child.kill();
            child.waitForFinished();
            fail(state, entry,
                 u"the child of --cold=%1 failed: %2; %3"_s.arg(QString::fromStdString(kind), childEnd(child),
                                                                QString::fromLocal8Bit(child.readAllStandardError()).simplified()));
            break;
        }
        state.SetIterationTime(milliseconds / 1e3);
    }
}

// ---- The paste -------------------------------------------------------------

struct Paste {
    double milliseconds = 0;
    QString error; // empty when the picture came back whole
};

// In the owner child: Copy, then the paste by xclip, timed from xclip's
// start to the last byte of the picture received from it.
Paste pasteOnce(const ChartSheet &sheet)
{
    QMimeData *data = SheetDocuments::clipboardData(sheet);
    // Ready bytes, or (as the program copied before) an image that Qt
    // encodes only when asked: then any PNG of the same pixels will do, and
    // the paste ends when xclip does.
    const QByteArray picture = data->data(u"image/png"_s);
    const QImage drawn = picture.isEmpty() ? SheetDocuments::image(sheet) : QImage();
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setMimeData(data);
    if (!clipboard->ownsClipboard())
        return {0, u"the clipboard was not taken"_s};

    QProcess xclip;
    QByteArray received;
    QElapsedTimer timer;
    qint64 lastByte = -1;
    QEventLoop loop;
    QObject::connect(&xclip, &QProcess::readyReadStandardOutput, &loop, [&] {
        received += xclip.readAllStandardOutput();
        if (lastByte < 0 && received.size() >= picture.size())
            lastByte = timer.nsecsElapsed();
    });
    QObject::connect(&xclip, &QProcess::finished, &loop, [&] {
        if (lastByte < 0 && picture.isEmpty())
            lastByte = timer.nsecsElapsed();
        loop.quit();
    });
    QObject::connect(&xclip, &QProcess::errorOccurred, &loop, [&loop](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer::singleShot(PasteTimeoutMs, &loop, &QEventLoop::quit);
    timer.start();
    xclip.start(u"xclip"_s, {u"-selection"_s, u"clipboard"_s, u"-t"_s, u"image/png"_s, u"-o"_s});
    loop.exec();

    if (xclip.error() == QProcess::FailedToStart)
        return {0, u"xclip did not start"_s};
    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished();
        return {0,
                u"xclip had not ended after %1 s, %2 of %3 bytes received"_s.arg(PasteTimeoutMs / 1000)
                    .arg(received.size())
                    .arg(picture.size())};
    }
    received += xclip.readAllStandardOutput();
    if (xclip.exitStatus() != QProcess::NormalExit || xclip.exitCode() != 0)
        return {
            0,
            u"xclip failed (exit code %1): %2"_s.arg(xclip.exitCode()).arg(QString::fromLocal8Bit(xclip.readAllStandardError().trimmed()))};
    if (picture.isEmpty() ? QImage::fromData(received, "PNG").convertToFormat(drawn.format()) != drawn : received != picture)
        return {
            0, u"the paste gave %1 bytes, not the %2 bytes of the picture put on the clipboard"_s.arg(received.size()).arg(picture.size())};
    return {double(lastByte) / 1e6, {}};
}

void printPaste(const char *word, const Paste &paste)
{
    if (paste.error.isEmpty())
        std::printf("%s %.3f\n", word, paste.milliseconds);
    else
        std::printf("error %s\n", paste.error.simplified().toUtf8().constData());
    std::fflush(stdout);
}

// The owner child: one paste as it starts ("ready" and its time), then one
// for each line "paste" on standard input ("ok" and its time), or "error"
// and why.
int pasteOwner(int argc, char **argv)
{
    QGuiApplication application(argc, argv);
    if (QGuiApplication::platformName() != u"xcb") {
        std::printf("error the owner runs on the %s platform, not xcb\n", QGuiApplication::platformName().toUtf8().constData());
        return 1;
    }
    const ChartSheet sheet = classSheet();
    printPaste("ready", pasteOnce(sheet));
    for (std::string line; std::getline(std::cin, line);) {
        if (line == "paste")
            printPaste("ok", pasteOnce(sheet));
    }
    // The picture should not outlive the benchmark on a desktop's clipboard.
    QGuiApplication::clipboard()->clear();
    return 0;
}

// This side of the paste: the X server (DISPLAY's or an Xvfb of our own) and
// the owner child, started at the first paste and stopped at the end.
class PasteOwner
{
public:
    // Why the paste cannot run here, or nothing when it can.
    static std::optional<std::string> unavailable()
    {
        if (QStandardPaths::findExecutable(u"xclip"_s).isEmpty())
            return "xclip is not installed";
        if (qEnvironmentVariableIsEmpty("DISPLAY") && QStandardPaths::findExecutable(u"Xvfb"_s).isEmpty())
            return "no X server: DISPLAY is not set and Xvfb is not installed";
        return std::nullopt;
    }

    ~PasteOwner()
    {
        if (m_owner.state() != QProcess::NotRunning) {
            m_owner.closeWriteChannel();
            if (!m_owner.waitForFinished(5000)) {
                m_owner.kill();
                m_owner.waitForFinished();
            }
        }
        if (m_xvfb.state() != QProcess::NotRunning) {
            m_xvfb.terminate();
            if (!m_xvfb.waitForFinished(5000)) {
                m_xvfb.kill();
                m_xvfb.waitForFinished();
            }
        }
    }

    // The X server and the owner, once; its first paste or why it failed.
    Paste start()
    {
        if (m_started)
            return m_first;
        m_started = true;
        m_first = startOwner();
        return m_first;
    }

    Paste paste()
    {
        m_owner.write("paste\n");
        return answer();
    }

    const QString &display() const { return m_display; }
    bool ownXvfb() const { return m_xvfb.state() != QProcess::NotRunning; }

private:
    Paste startOwner()
    {
        m_display = qEnvironmentVariable("DISPLAY");
        if (m_display.isEmpty()) {
            // Xvfb takes the first free display and writes its number on
            // standard output once it accepts clients. It ends by itself
            // when its last client leaves (-terminate): the owner child
            // leaves when this process does, even one killed.
            m_xvfb.setProcessChannelMode(QProcess::SeparateChannels);
            m_xvfb.start(u"Xvfb"_s,
                         {u"-displayfd"_s, u"1"_s, u"-terminate"_s, u"-nolisten"_s, u"tcp"_s, u"-screen"_s, u"0"_s, u"1920x1080x24"_s});
            const std::optional<QByteArray> number = readLine(m_xvfb, ChildTimeoutMs);
            if (!number || number->isEmpty())
                return {0, u"Xvfb did not start: "_s + QString::fromLocal8Bit(m_xvfb.readAllStandardError().trimmed())};
            m_display = u':' + QString::fromLatin1(*number);
        }
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"DISPLAY"_s, m_display);
        environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
        m_owner.setProcessEnvironment(environment);
        m_owner.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_owner.start(QCoreApplication::applicationFilePath(), {u"--paste-owner"_s});
        return answer();
    }

    Paste answer()
    {
        const std::optional<QByteArray> line = readLine(m_owner, ChildTimeoutMs);
        if (!line)
            return {0, u"the owner child gave no answer: "_s + childEnd(m_owner)};
        const qsizetype space = line->indexOf(' ');
        const QByteArray word = line->left(space);
        const QByteArray rest = space < 0 ? QByteArray() : line->mid(space + 1);
        bool number = false;
        const double milliseconds = rest.toDouble(&number);
        if ((word == "ok" || word == "ready") && number)
            return {milliseconds, {}};
        return {0, word == "error" ? QString::fromUtf8(rest) : u"the owner child answered "_s + QString::fromUtf8(*line)};
    }

    QProcess m_xvfb;
    QProcess m_owner;
    QString m_display;
    bool m_started = false;
    Paste m_first;
};

void pasteByXclip(benchmark::State &state, PasteOwner *owner)
{
    const std::string entry = "Paste/xclip";
    for (auto _ : state) {
        Paste paste = owner->start();
        if (paste.error.isEmpty())
            paste = owner->paste();
        if (!paste.error.isEmpty()) {
            fail(state, entry, paste.error);
            break;
        }
        state.SetIterationTime(paste.milliseconds / 1e3);
    }
}

// ---- The summary -----------------------------------------------------------

// Shows the table and keeps each benchmark's median and slowest real (or
// manual) time, or its only time, for the summary.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    using benchmark::ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const std::string &name = run.run_name.function_name;
            if (std::find(m_order.begin(), m_order.end(), name) == m_order.end())
                m_order.push_back(name);
            if (run.error_occurred) {
                failures().emplace(name, run.error_message);
                continue;
            }
            const double milliseconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e3;
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1)
                m_times[name] = {milliseconds, milliseconds};
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_times[name].median = milliseconds;
            else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "max")
                m_times[name].slowest = milliseconds;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // Lines of their own under an entry's figures.
    void note(const std::string &name, const std::string &text)
    {
        m_notes[name] = text;
        if (std::find(m_order.begin(), m_order.end(), name) == m_order.end())
            m_order.push_back(name);
    }

    void printSummary() const
    {
        std::printf("\n%-16s %9s %9s\n", "", "median", "slowest");
        for (const std::string &name : m_order) {
            const auto times = m_times.find(name);
            const auto failed = failures().find(name);
            const auto noted = m_notes.find(name);
            if (failed != failures().end()) {
                std::printf("%-16s FAILED: %s\n", name.c_str(), failed->second.c_str());
            } else if (times != m_times.end()) {
                std::printf("%-16s %6.1f ms %6.1f ms, target under %.0f ms: %s\n", name.c_str(), times->second.median,
                            times->second.slowest, TargetMilliseconds, times->second.median < TargetMilliseconds ? "met" : "NOT MET");
                if (noted != m_notes.end())
                    std::printf("%-16s %s\n", "", noted->second.c_str());
            } else if (noted != m_notes.end()) {
                std::printf("%-16s %s\n", name.c_str(), noted->second.c_str());
            }
        }
        for (const auto &[name, why] : failures()) {
            if (std::find(m_order.begin(), m_order.end(), name) == m_order.end())
                std::printf("%-16s FAILED: %s\n", name.c_str(), why.c_str());
        }
    }

private:
    struct Times {
        double median = 0;
        double slowest = 0;
    };
    std::map<std::string, Times> m_times;
    std::map<std::string, std::string> m_notes;
    std::vector<std::string> m_order; // as the entries ran
};

double slowest(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

// Takes "--name=N" out of the arguments, keeping N (at least 1).
void takeCount(std::vector<char *> &args, const char *name, int &count)
{
    const std::string prefix = std::string("--") + name + "=";
    for (auto arg = args.begin(); arg != args.end();) {
        if (std::strncmp(*arg, prefix.c_str(), prefix.size()) == 0) {
            count = std::max(1, std::atoi(*arg + prefix.size()));
            arg = args.erase(arg);
        } else {
            ++arg;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    // The children, which take no other arguments.
    if (argc == 2 && std::strncmp(argv[1], "--cold=", 7) == 0)
        return coldFirstExport(1, argv, argv[1] + 7);
    if (argc == 2 && std::strcmp(argv[1], "--paste-owner") == 0)
        return pasteOwner(1, argv);

    // The clipboard's picture and the fonts need a QGuiApplication, which
    // needs no display on the offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);

    // Defaults first, so that the same flags given on the command line win.
    char repetitions[] = "--benchmark_repetitions=9";
    char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    std::vector<char *> args{argv[0], repetitions, aggregatesOnly};
    args.insert(args.end(), argv + 1, argv + argc);
    int coldRuns = DefaultChildRuns;
    int pasteRuns = DefaultChildRuns;
    takeCount(args, "cold_runs", coldRuns);
    takeCount(args, "paste_runs", pasteRuns);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
#ifndef NDEBUG
    std::fprintf(stderr, "bench_sheet: this is a debug build; take figures from the bench preset\n");
#endif

    const ChartSheet sheet = classSheet();
    const auto time = [](benchmark::internal::Benchmark *benchmark) {
        benchmark->UseRealTime()->Unit(benchmark::kMillisecond)->ComputeStatistics("max", slowest);
    };
    time(benchmark::RegisterBenchmark("Pdf/two_pages", pdf, sheet));
    time(benchmark::RegisterBenchmark("Png", png, sheet));
    time(benchmark::RegisterBenchmark("ClipboardData", clipboardData, sheet));
    time(benchmark::RegisterBenchmark("Paint/1920x1080", paintScreen, sheet));
    const ChartSheet longest = longestSheet();
    time(benchmark::RegisterBenchmark("Pdf/longest_names", pdf, longest));
    time(benchmark::RegisterBenchmark("Png/longest_names", png, longest));

    // One sample per repetition, timed by the child.
    const auto sampled = [](benchmark::internal::Benchmark *benchmark, int runs) {
        benchmark->UseManualTime()->Iterations(1)->Repetitions(runs)->Unit(benchmark::kMillisecond)->ComputeStatistics("max", slowest);
    };
    sampled(benchmark::RegisterBenchmark("Cold/pdf", coldFirst, std::string("pdf"), false), coldRuns);
    sampled(benchmark::RegisterBenchmark("Cold/png", coldFirst, std::string("png"), false), coldRuns);
    sampled(benchmark::RegisterBenchmark("ColdDisk/pdf", coldFirst, std::string("pdf"), true), coldRuns);
    sampled(benchmark::RegisterBenchmark("ColdDisk/png", coldFirst, std::string("png"), true), coldRuns);
    const std::optional<std::string> noPaste = PasteOwner::unavailable();
    PasteOwner pasteOwner;
    if (!noPaste)
        sampled(benchmark::RegisterBenchmark("Paste/xclip", pasteByXclip, &pasteOwner), pasteRuns);

    MedianReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    if (noPaste) {
        reporter.note("Paste/xclip", "skipped: " + *noPaste);
    } else if (!pasteOwner.display().isEmpty()) {
        const Paste first = pasteOwner.start();
        if (first.error.isEmpty()) {
            char text[160];
            std::snprintf(text, sizeof text, "first paste of the owner %.1f ms (not in the figures), X server %s", first.milliseconds,
                          pasteOwner.ownXvfb() ? "Xvfb of the bench" : "of DISPLAY");
            reporter.note("Paste/xclip", text);
        }
    }
    reporter.printSummary();
    return failures().empty() ? 0 : 1;
}
