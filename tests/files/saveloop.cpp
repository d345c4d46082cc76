// The process that tests/files/kill-during-save kills at random moments: it
// saves two charts in turn, for ever, into the folder it is given. Chart A has
// seating rules and chart B none, so that rules.txt is written and removed.
//
//   save_loop FOLDER        Save chart A, chart B, chart A, ... until killed
//   save_loop FOLDER a|b    one Save of chart A or B

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/rulesfile.h"

#include <QFile>

#include <cstdio>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

SeatChart chart(bool a)
{
    SeatChart chart;
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, (a ? u"甲%1"_s : u"乙%1"_s).arg(i));
    chart.setPodiumSide(a ? PodiumSide::Top : PodiumSide::Bottom);
    return chart;
}

RulesFile::Contents rules(bool a)
{
    RulesFile::Contents rules;
    rules.fromFile = true; // one window's Saves: the rules.txt of each is its own
    if (a)
        rules.rules = {{SeatRule::fixed(u"甲0"_s, 1, 1), SeatRule::together(u"甲1"_s, u"甲2"_s)}, true, false};
    return rules;
}

bool save(const QString &folder, bool a)
{
    if (const auto error = ChartFiles::saveWorkingFiles(chart(a), rules(a), folder)) {
        std::fprintf(stderr, "save_loop: %s\n", qPrintable(error->message()));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    const QString folder = QFile::decodeName(argv[1]);
    if (argc > 2)
        return save(folder, std::strcmp(argv[2], "a") == 0) ? 0 : 1;
    for (bool a = true; save(folder, a); a = !a) {}
    return 1;
}
