// Speed of the files layer: opening a class list (a real 35-line one and a
// 100 MiB one), the start-up load, Save and the HTML export.
//
// The target: opening the 100 MiB list costs no more than 1.5 times opening
// the 35-line list, measured in the same run. The reader looks at the first
// 35 entries only, so both should cost about the same. The summary after the
// table gives the ratio of the two medians, the same ratio from a loop that
// reads both files in turn, and the peak memory of the process.
//
// Without flags each benchmark runs 9 times and only the mean, median, spread
// and coefficient of variation are shown; the summary uses the medians, so a
// busy machine (a build or a fuzzer running alongside) disturbs the figures
// little.
// Later flags override these defaults, e.g. --benchmark_repetitions=15.

#include "bench/classnames.h"
#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/htmlexport.h"
#include "files/textcodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr qint64 BigListBytes = 100 * 1024 * 1024;
constexpr qint64 ChunkBytes = 1024 * 1024;

const char *const OpenSmall = "LoadSeatList/35_lines";
const char *const OpenBig = "LoadSeatList/100_MiB";
const char *const OpenInTurn = "LoadSeatList/both_in_turn";

constexpr double MaxRatio = 1.5;

// Every name of ClassNames has three characters, so every line is eight
// bytes in GBK with its CR LF.
QByteArray encodedLines(const QStringList &names)
{
    QString text;
    for (const QString &name : names)
        text += name + u"\r\n"_s;
    return TextCodec::encode(text);
}

// About 1 MiB of whole lines of further names, every surname of the class
// with every given name, as in a roster of a whole school.
QByteArray fillerChunk()
{
    QStringList names;
    for (const QString &surname : ClassNames) {
        for (const QString &given : ClassNames)
            names.append(surname.first(1) + given.sliced(1));
    }
    const QByteArray lines = encodedLines(names);
    QByteArray chunk;
    chunk.reserve(ChunkBytes);
    while (chunk.size() + lines.size() <= ChunkBytes)
        chunk += lines;
    // Top up with whole lines from the start of the block.
    const qsizetype rest = ChunkBytes - chunk.size();
    if (rest > 0)
        chunk += lines.first(lines.lastIndexOf('\n', rest - 1) + 1);
    return chunk;
}

// Writes head, then filler lines up to `size` bytes in all, in chunks of
// 1 MiB, and flushes the file to the disk: the kernel would otherwise write
// the 100 MiB back while Save is being measured. The pages stay in the page
// cache.
bool writeList(const QString &path, const QByteArray &head, qint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (file.write(head) != head.size())
        return false;
    const QByteArray chunk = size > head.size() ? fillerChunk() : QByteArray();
    for (qint64 left = size - head.size(); left > 0;) {
        const qint64 n = std::min<qint64>(left, chunk.size());
        if (file.write(chunk.constData(), n) != n)
            return false;
        left -= n;
    }
    return ::fsync(file.handle()) == 0;
}

double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB
}

// Everything the benchmarks work on, in one temporary folder.
struct Workspace {
    QTemporaryDir dir;
    QString smallList;
    QString bigList;
    QString workingFolder;
    QString htmlTable;
    SeatChart chart; // the class, as every read must give it
};

// Stops the benchmark with the error's message; false when there was none.
bool failed(benchmark::State &state, const std::optional<FileError> &error)
{
    if (!error)
        return false;
    state.SkipWithError(qPrintable(error->message()));
    return true;
}

void expectChart(benchmark::State &state, const SeatChart &chart, const SeatChart &expected)
{
    if (!state.error_occurred() && !(chart == expected))
        state.SkipWithError("the chart read is not the class that was written");
}

// What Open does: the list replaces every seat of the chart.
void loadSeatList(benchmark::State &state, const QString &path, const SeatChart &expected)
{
    SeatChart chart;
    for (auto _ : state) {
        if (failed(state, ChartFiles::loadSeatList(chart, path)))
            break;
    }
    expectChart(state, chart, expected);
}

// Both lists read in turn in one loop, each call timed on its own; the order
// alternates, so neither file always finds the caches warmed by the other.
// Whatever slows the machine down for a while slows both reads alike, so the
// ratio holds steady even when the times themselves drift.
void loadBothInTurn(benchmark::State &state, const QString &small, const QString &big, const SeatChart &expected)
{
    using Clock = std::chrono::steady_clock;
    Clock::duration smallTime{};
    Clock::duration bigTime{};
    SeatChart chart;
    const auto timedRead = [&](bool readBig) {
        const auto start = Clock::now();
        const auto error = ChartFiles::loadSeatList(chart, readBig ? big : small);
        (readBig ? bigTime : smallTime) += Clock::now() - start;
        return !failed(state, error);
    };
    bool bigFirst = false;
    for (auto _ : state) {
        if (!timedRead(bigFirst) || !timedRead(!bigFirst))
            break;
        bigFirst = !bigFirst;
    }
    expectChart(state, chart, expected);
    if (smallTime.count() > 0)
        state.counters["ratio"] = static_cast<double>(bigTime.count()) / static_cast<double>(smallTime.count());
}

// The start-up load of default.txt and Option from the working folder.
void loadWorkingFiles(benchmark::State &state, const QString &folder, const SeatChart &expected)
{
    SeatChart chart;
    RulesFile::Snapshot rules;
    for (auto _ : state) {
        const QList<FileError> problems = ChartFiles::loadWorkingFiles(chart, rules, folder);
        if (!problems.isEmpty() && failed(state, problems.first()))
            break;
    }
    expectChart(state, chart, expected);
}

void saveWorkingFiles(benchmark::State &state, const SeatChart &chart, const QString &folder)
{
    for (auto _ : state) {
        if (failed(state, ChartFiles::saveWorkingFiles(chart, {}, {}, folder).error))
            break;
    }
}

void exportHtmlTable(benchmark::State &state, const SeatChart &chart, const QString &path)
{
    for (auto _ : state) {
        if (failed(state, HtmlExport::exportHtmlTable(chart, path)))
            break;
    }
}

// Writes the two lists and the working files. Both lists are written here,
// just before the measurements and in the same way, so both are in the page
// cache: the two reads are compared with the same cache state, and neither
// waits for the disk.
bool prepare(Workspace &space)
{
    if (!space.dir.isValid()) {
        std::fprintf(stderr, "bench_files: no temporary folder: %s\n", qPrintable(space.dir.errorString()));
        return false;
    }
    const QDir dir(space.dir.path());
    space.smallList = dir.filePath(u"class.txt"_s);
    space.bigList = dir.filePath(u"school.txt"_s);
    space.workingFolder = dir.filePath(u"working"_s);
    space.htmlTable = dir.filePath(u"seats.html"_s);
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        space.chart.setSeat(i, ClassNames.at(i));

    const QByteArray classList = encodedLines(ClassNames);
    if (!writeList(space.smallList, classList, classList.size()) || !writeList(space.bigList, classList, BigListBytes)
        || QFileInfo(space.bigList).size() != BigListBytes) {
        std::fprintf(stderr, "bench_files: cannot write the lists in %s\n", qPrintable(dir.path()));
        return false;
    }
    if (!dir.mkdir(u"working"_s)) {
        std::fprintf(stderr, "bench_files: cannot create %s\n", qPrintable(space.workingFolder));
        return false;
    }
    if (const auto error = ChartFiles::saveWorkingFiles(space.chart, {}, {}, space.workingFolder).error) {
        std::fprintf(stderr, "bench_files: %s\n", qPrintable(error->message()));
        return false;
    }
    return true;
}

// Passes every report on to the display and keeps, for the summary, each
// benchmark's real time (the median when it was repeated) and counters.
class SummaryReporter : public benchmark::BenchmarkReporter
{
public:
    struct Figure {
        double realSeconds = 0;
        double cpuSeconds = 0;
        benchmark::UserCounters counters;
        int64_t repetitions = 1;
    };

    explicit SummaryReporter(std::unique_ptr<benchmark::BenchmarkReporter> display) : m_display(std::move(display)) {}

    bool ReportContext(const Context &context) override { return m_display->ReportContext(context); }

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            if (run.error_occurred)
                continue;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            const bool single = run.run_type == Run::RT_Iteration && run.repetitions <= 1;
            if (median || single) {
                const double unit = benchmark::GetTimeUnitMultiplier(run.time_unit);
                m_figures[run.run_name.function_name] = {run.GetAdjustedRealTime() / unit, run.GetAdjustedCPUTime() / unit, run.counters,
                                                         run.repetitions};
            }
        }
        m_display->ReportRuns(runs);
    }

    void Finalize() override { m_display->Finalize(); }

    const Figure *figure(const std::string &name) const
    {
        const auto found = m_figures.find(name);
        return found == m_figures.end() ? nullptr : &found->second;
    }

private:
    std::unique_ptr<benchmark::BenchmarkReporter> m_display;
    std::map<std::string, Figure> m_figures;
};

void printSummary(std::FILE *out, const SummaryReporter &reporter, double rssBefore)
{
    const auto *small = reporter.figure(OpenSmall);
    const auto *big = reporter.figure(OpenBig);
    const auto *inTurn = reporter.figure(OpenInTurn);
    std::fprintf(out, "\n");
    if (small && big && small->realSeconds > 0 && small->cpuSeconds > 0) {
        const double ratio = big->realSeconds / small->realSeconds;
        std::fprintf(out,
                     "Open, 100 MiB list / 35-line list (%s): %.2f in real time (%.1f us / %.1f us), "
                     "target at most %.1f: %s\n",
                     small->repetitions > 1 ? "medians of the repetitions" : "single runs", ratio, big->realSeconds * 1e6,
                     small->realSeconds * 1e6, MaxRatio, ratio <= MaxRatio ? "met" : "NOT MET");
        // Real time also counts the waits for a processor that is busy with
        // other work; CPU time does not.
        std::fprintf(out, "Open, 100 MiB list / 35-line list: %.2f in CPU time (%.1f us / %.1f us)\n", big->cpuSeconds / small->cpuSeconds,
                     big->cpuSeconds * 1e6, small->cpuSeconds * 1e6);
    }
    if (inTurn) {
        const auto ratio = inTurn->counters.find("ratio");
        if (ratio != inTurn->counters.end())
            std::fprintf(out, "Open, 100 MiB list / 35-line list, read in turn in one loop: %.2f\n", ratio->second.value);
    }
    std::fprintf(out, "Peak resident memory: %.1f MiB once the lists were written, %.1f MiB at the end\n", rssBefore, peakRssMiB());
}

} // namespace

int main(int argc, char **argv)
{
    // Defaults first, so that the same flags given on the command line win.
    char repetitions[] = "--benchmark_repetitions=9";
    char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    std::vector<char *> args{argv[0], repetitions, aggregatesOnly};
    args.insert(args.end(), argv + 1, argv + argc);
    std::string_view format = "console";
    for (int i = 1; i < argc; ++i) {
        constexpr std::string_view flag = "--benchmark_format=";
        const std::string_view arg = argv[i];
        if (arg.starts_with(flag))
            format = arg.substr(flag.size());
    }
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;

    std::unique_ptr<benchmark::BenchmarkReporter> display;
    if (format == "console") {
        display = std::make_unique<benchmark::ConsoleReporter>(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color
                                                                                     : benchmark::ConsoleReporter::OO_None);
    } else if (format == "json") {
        display = std::make_unique<benchmark::JSONReporter>();
    } else {
        std::fprintf(stderr,
                     "bench_files: --benchmark_format must be console or json "
                     "(--benchmark_out_format=csv writes CSV to the --benchmark_out file)\n");
        return 1;
    }
#ifndef NDEBUG
    std::fprintf(stderr, "bench_files: this is a debug build; take figures from the release preset\n");
#endif

    Workspace space;
    if (!prepare(space))
        return 1;
    const double rssBefore = peakRssMiB();

    const auto time = [](benchmark::internal::Benchmark *benchmark) { benchmark->UseRealTime()->Unit(benchmark::kMicrosecond); };
    time(benchmark::RegisterBenchmark(OpenSmall, loadSeatList, space.smallList, space.chart));
    time(benchmark::RegisterBenchmark(OpenBig, loadSeatList, space.bigList, space.chart));
    time(benchmark::RegisterBenchmark(OpenInTurn, loadBothInTurn, space.smallList, space.bigList, space.chart));
    time(benchmark::RegisterBenchmark("LoadWorkingFiles", loadWorkingFiles, space.workingFolder, space.chart));
    time(benchmark::RegisterBenchmark("SaveWorkingFiles", saveWorkingFiles, space.chart, space.workingFolder));
    time(benchmark::RegisterBenchmark("ExportHtmlTable", exportHtmlTable, space.chart, space.htmlTable));

    SummaryReporter reporter(std::move(display));
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    printSummary(format == "console" ? stdout : stderr, reporter, rssBefore);
    return 0;
}
