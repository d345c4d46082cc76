// The process that tests/files/kill-during-save kills at random moments: it
// saves two charts in turn, for ever, into the folder it is given.
//
//   save_loop FOLDER            Save chart A, chart B, chart A, ... until killed
//   save_loop FOLDER --once     one Save of chart A
//   save_loop FOLDER --expect   writes A.default.txt, A.Option, B.default.txt and
//                               B.Option: the bytes each Save gives the two files

#include "chart/seatchart.h"
#include "files/chartfiles.h"
#include "files/option.h"
#include "files/seatlistfile.h"

#include <QDir>
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

bool save(const QString &folder, bool a)
{
    if (const auto error = ChartFiles::saveWorkingFiles(chart(a), folder)) {
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
    if (argc > 2 && std::strcmp(argv[2], "--once") == 0)
        return save(folder, true) ? 0 : 1;
    if (argc > 2 && std::strcmp(argv[2], "--expect") == 0) {
        for (const bool a : {true, false}) {
            const QString prefix = QDir(folder).filePath(a ? u"A."_s : u"B."_s);
            QFile seats(prefix + u"default.txt"_s), option(prefix + u"Option"_s);
            if (!seats.open(QIODevice::WriteOnly) || !option.open(QIODevice::WriteOnly)
                || seats.write(SeatListFile::format(chart(a), seats.fileName()).value()) < 0
                || option.write(Option::format(chart(a).podiumSide())) < 0)
                return 1;
        }
        return 0;
    }
    for (bool a = true; save(folder, a); a = !a) {}
    return 1;
}
