// Speed of the printed sheet: the two PDF pages, the PNG, the three
// clipboard forms at once, and one picture of a full-HD screen as the
// full-screen view paints it (every 40 ms while a seating is drawn). Every
// seat holds a name of 12 characters, which the sheet has to shrink.
//
// The target: each stays under 100 ms. Without flags each benchmark runs 9
// times and only the mean, median, spread and coefficient of variation are
// shown; the summary after the table compares the medians with the target.
// Later flags override these defaults, e.g. --benchmark_repetitions=15.

#include "bench/classnames.h"
#include "sheet/sheetdocuments.h"

#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr double TargetMilliseconds = 100;

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

// Shows the table and keeps each benchmark's median real time (or its only
// time) for the summary.
class MedianReporter : public benchmark::ConsoleReporter
{
public:
    using benchmark::ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (!run.error_occurred && (median || (run.run_type == Run::RT_Iteration && run.repetitions <= 1)))
                m_milliseconds[run.run_name.function_name] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit)
                    * 1e3;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printSummary() const
    {
        std::printf("\n");
        for (const auto &[name, milliseconds] : m_milliseconds)
            std::printf("%-16s %7.1f ms, target under %.0f ms: %s\n", name.c_str(), milliseconds, TargetMilliseconds,
                        milliseconds < TargetMilliseconds ? "met" : "NOT MET");
    }

private:
    std::map<std::string, double> m_milliseconds;
};

} // namespace

int main(int argc, char **argv)
{
    // The clipboard's picture and the fonts need a QGuiApplication, which
    // needs no display on the offscreen platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication application(argc, argv);

    // Defaults first, so that the same flags given on the command line win.
    char repetitions[] = "--benchmark_repetitions=9";
    char aggregatesOnly[] = "--benchmark_display_aggregates_only=true";
    std::vector<char *> args{argv[0], repetitions, aggregatesOnly};
    args.insert(args.end(), argv + 1, argv + argc);
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
#ifndef NDEBUG
    std::fprintf(stderr, "bench_sheet: this is a debug build; take figures from the bench preset\n");
#endif

    const ChartSheet sheet = classSheet();
    const auto time = [](benchmark::internal::Benchmark *benchmark) { benchmark->UseRealTime()->Unit(benchmark::kMillisecond); };
    time(benchmark::RegisterBenchmark("Pdf/two_pages", pdf, sheet));
    time(benchmark::RegisterBenchmark("Png", png, sheet));
    time(benchmark::RegisterBenchmark("ClipboardData", clipboardData, sheet));
    time(benchmark::RegisterBenchmark("Paint/1920x1080", paintScreen, sheet));

    MedianReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color : benchmark::ConsoleReporter::OO_None);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printSummary();
    return 0;
}
