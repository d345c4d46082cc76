// Speed of taking a class in: importing a roster (.xlsx, .xls, .csv), pasting
// a 7 × 5 seating table (as text and as HTML), and refusing hostile files.
//
// Targets: an import of a 60-row roster and a paste of the grid within 50 ms,
// a hostile file refused within 1 s. Each case runs `rounds` times (default
// 15, the first argument); the table gives the median and the slowest round,
// and the peak memory of the process at the end.
//
//   build/bench/bench/bench_roster [rounds]

#include "chart/seatchart.h"
#include "files/rosterfile.h"
#include "files/rostertable.h"
#include "files/tabletext.h"
#include "tests/xlsxfile.h"
#include "ui/clipboardtable.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMimeData>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString Rosters = QStringLiteral(SEDARIO_BENCH_ROSTERS);
const QString Fixtures = QStringLiteral(SEDARIO_TEST_ROSTERS);

// The whole import as the window does it: the file, the sheets with names,
// the chart filled. True when names came in.
bool import(const QString &path)
{
    const auto book = RosterFile::read(path);
    if (!book.ok())
        return false;
    for (const Worksheet &sheet : book.value()) {
        if (const auto roster = RosterTable::read(sheet.rows, false)) {
            SeatChart chart;
            RosterTable::fill(chart, *roster);
            return !chart.seat(0).isEmpty();
        }
    }
    return false;
}

bool paste(const QMimeData &data)
{
    const auto roster = RosterTable::read(ClipboardTable::rows(data).rows, true);
    if (!roster || roster->kind != RosterTable::Roster::Kind::Seating)
        return false;
    SeatChart chart;
    RosterTable::fill(chart, *roster);
    return true;
}

// A workbook of one sheet whose rows claim a million.
bool writeMillionRows(const QString &path)
{
    QByteArray rows;
    for (int row = 1; row <= 1000000; row += 1000)
        rows += "<row r=\"" + QByteArray::number(row) + "\"><c r=\"A" + QByteArray::number(row) + "\" t=\"inlineStr\"><is><t>王</t></is></c></row>";
    return writeXlsx(path, sheetXml(rows));
}

struct Case {
    const char *name;
    double targetMs;
    bool expected; // names come in (or the paste is a seating)
    std::function<bool()> run;
};

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;

    QTemporaryDir folder;
    const QString bigCsv = folder.filePath(u"big.csv"_s);
    const QString millionRows = folder.filePath(u"rows.xlsx"_s);
    {
        QFile csv(bigCsv);
        const QByteArray line = "20240301,王子涵,男\r\n";
        if (!csv.open(QIODevice::WriteOnly) || !writeMillionRows(millionRows))
            return 1;
        for (qint64 written = 0; written < 100 * 1024 * 1024; written += line.size() * 1024)
            csv.write(line.repeated(1024));
    }
    // The seating table as 复制 writes it, and as LibreOffice's HTML.
    QMimeData gridText;
    QString text;
    for (int row = 0; row < SeatChart::Rows; ++row) {
        QStringList cells;
        for (int column = 0; column < SeatChart::Columns; ++column)
            cells << (row == 3 && column == 2 ? QString() : u"学生%1%2"_s.arg(row).arg(column));
        text += cells.join(u'\t') + u'\n';
    }
    gridText.setText(text);
    QMimeData gridHtml;
    QFile html(Fixtures + u"/libreoffice-grid.html"_s);
    if (!html.open(QIODevice::ReadOnly))
        return 1;
    gridHtml.setHtml(QString::fromUtf8(html.readAll()));
    QMimeData nestedTables;
    nestedTables.setHtml(u"<table><tr><td>"_s.repeated(30000));

    const std::vector<Case> cases = {
        {"import .xlsx, 60 rows", 50, true, [] { return import(Rosters + u"/class60.xlsx"_s); }},
        {"import .xls, 60 rows", 50, true, [] { return import(Rosters + u"/class60.xls"_s); }},
        {"import .csv (GBK)", 50, true, [] { return import(Fixtures + u"/roster-gbk.csv"_s); }},
        {"paste 7 x 5 grid, text", 50, true, [&] { return paste(gridText); }},
        {"paste 7 x 5 grid, HTML alone", 50, true, [&] { return paste(gridHtml); }},
        {"refuse zip bomb (1 GiB)", 1000, false, [] { return import(Fixtures + u"/bomb.xlsx"_s); }},
        {"refuse zip bomb, sizes lying", 1000, false, [] { return import(Fixtures + u"/bomb-lying.xlsx"_s); }},
        {"refuse truncated .xlsx", 1000, false, [] { return import(Fixtures + u"/truncated.xlsx"_s); }},
        {"refuse encrypted .xlsx", 1000, false, [] { return import(Fixtures + u"/encrypted.xlsx"_s); }},
        {"refuse encrypted .xls", 1000, false, [] { return import(Fixtures + u"/encrypted.xls"_s); }},
        {"refuse .xls that is text", 1000, false, [] { return import(Fixtures + u"/text.xls"_s); }},
        {"refuse .xls that stalls FreeXL", 1000, false, [] { return import(Fixtures + u"/dates.xls"_s); }},
        {"refuse .xls that crashes FreeXL", 1000, false, [] { return import(Fixtures + u"/segfault.xls"_s); }},
        {"refuse 100 MB .csv", 1000, false, [&] { return import(bigCsv); }},
        {"refuse a million rows", 1000, false, [&] { return import(millionRows); }},
        {"refuse 30000 nested tables (paste)", 1000, false, [&] { return paste(nestedTables); }},
    };
    std::printf("%-32s %10s %10s %10s  %s\n", "case", "median ms", "slowest", "target", "");
    bool allMet = true;
    for (const Case &c : cases) {
        std::vector<double> times;
        bool outcome = true;
        for (int round = 0; round < rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            outcome = c.run() == c.expected && outcome;
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        std::sort(times.begin(), times.end());
        const double median = times[times.size() / 2];
        const bool met = outcome && times.back() <= c.targetMs;
        allMet = allMet && met;
        std::printf("%-32s %10.2f %10.2f %10.0f  %s\n", c.name, median, times.back(), c.targetMs,
                    !outcome ? "WRONG OUTCOME" : met ? "ok" : "OVER");
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.1f MiB\n", double(usage.ru_maxrss) / 1024);
    return allMet ? 0 : 1;
}
