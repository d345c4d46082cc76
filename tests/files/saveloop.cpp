// The process that tests/files/kill-during-save kills: it starts as the
// program does, then saves two charts in turn, for ever, into the folder it
// is given. Chart A has seating rules and chart B none, so that rules.txt is
// written and removed.
//
//   save_loop FOLDER        Save chart A, chart B, chart A, ... until killed
//   save_loop FOLDER a|b    one Save of chart A or B
//   save_loop FOLDER start  the start-up alone, which finishes a Save that a
//                           kill cut short
//
// With SEDARIO_KILL_AFTER set to a system call as SystemCalls logs it
// ("rename Option"), the process kills itself right after that call.

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/rulesfile.h"
#include "systemcalls.h"

#include <QFile>

#include <csignal>
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
    if (a)
        rules.rules = {{SeatRule::fixed(u"甲0"_s, 1, 1), SeatRule::together(u"甲1"_s, u"甲2"_s)}, true, false};
    return rules;
}

// One window's Saves: each finds rules.txt as the one before left it.
bool save(const QString &folder, bool a, RulesFile::Snapshot &seen)
{
    const ChartFiles::Saved saved = ChartFiles::saveWorkingFiles(chart(a), rules(a), seen, folder);
    if (saved.error || saved.rulesChanged) {
        std::fprintf(stderr, "save_loop: %s\n", saved.error ? qPrintable(saved.error->message()) : "rules.txt changed by another program");
        return false;
    }
    seen = saved.rules;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2)
        return 2;
    SystemCalls::afterRename = [kill = qgetenv("SEDARIO_KILL_AFTER")](const QByteArray &call) {
        if (call == kill)
            ::raise(SIGKILL);
    };
    const QString folder = QFile::decodeName(argv[1]);
    SeatChart started;
    RulesFile::Snapshot seen;
    for (const FileError &problem : ChartFiles::loadWorkingFiles(started, seen, folder))
        std::fprintf(stderr, "save_loop: %s\n", qPrintable(problem.message()));
    if (argc > 2 && std::strcmp(argv[2], "start") == 0)
        return 0;
    if (argc > 2)
        return save(folder, std::strcmp(argv[2], "a") == 0, seen) ? 0 : 1;
    for (bool a = true; save(folder, a, seen); a = !a) {}
    return 1;
}
