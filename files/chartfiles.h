#pragma once

#include "files/fileerror.h"
#include "files/result.h"
#include "files/rulesfile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class SeatChart;

// The chart's files: the working files, default.txt (the seats), Option (the
// podium side) and rules.txt (the seating rules, only while there are any),
// and the seat lists that Open and the exam-room command read.
//
// Every reader is done with the file (which it reads only as far as it needs,
// see SeatListFile) before it touches the chart, so a file that cannot be
// read changes nothing. Working files are addressed by their
// bare names inside workingFolder; an empty workingFolder is the process's
// current directory at the moment of the call.
class ChartFiles
{
public:
    static const QString SeatListName; // "default.txt"
    static const QString OptionName;   // "Option"

    static QString workingFilePath(const QString &workingFolder, const QString &name);

    // The start-up load. Seats take the entries of default.txt in order; a
    // NULL entry, and every seat past the end of the list, keeps what it has.
    // The podium side comes from Option when its first line says one, and
    // rules become what rules.txt holds when it is read. A missing file is no
    // problem (a first start has none); anything else that kept a file from
    // being read is returned, and that file changes nothing. So is every
    // line of rules.txt that is no rule (RulesFile::read()).
    static QList<FileError> loadWorkingFiles(SeatChart &chart, RulesFile::Contents &rules, const QString &workingFolder = {});

    // The reading part of Open: every seat is rewritten, from the file's
    // entries in order, empty for a NULL entry and past the end of the list.
    // The podium and the swap selection stay as they are. On error the chart
    // is unchanged.
    static std::optional<FileError> loadSeatList(SeatChart &chart, const QString &path);

    // The examinee list of the exam-room command: at most 35 names in list
    // order, an empty string for a NULL entry.
    static Result<QStringList> readExamList(const QString &path);

    // Save: Option, rules.txt, then default.txt. All are written and synced in
    // full before any replaces its old version, and a copy of each old one
    // is kept. A failure before the renames changes no file; should a later
    // file then not take its place, those before it are put back from the
    // copies (a new one deleted), and where even that fails the error says
    // so. A folder that cannot be synced after the renames is an error too:
    // the new files are in place but may not survive a crash.
    // When rules is empty, rules.txt is removed at its turn (a copy kept to
    // put it back), or emptied when its name is a link; where there is no
    // rules.txt, Save is exactly the Save of the other two. rules.txt must be
    // neither of the other two files.
    static std::optional<FileError> saveWorkingFiles(const SeatChart &chart, const RulesFile::Contents &rules,
                                                     const QString &workingFolder = {});
};
