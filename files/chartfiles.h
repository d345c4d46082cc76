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

    // The start-up load. A Save that a crash cut short is finished first
    // (SaveTransaction::recover()). Seats take the entries of default.txt in
    // order; a NULL entry, and every seat past the end of the list, keeps
    // what it has. The podium side comes from Option when its first line
    // says one, and rules.txt is taken as it is (its contents empty when it
    // cannot be read). A missing file is no problem (a first start has none);
    // anything else that kept a file from being read is returned, and that
    // file changes nothing. So is every line of rules.txt that is no rule.
    static QList<FileError> loadWorkingFiles(SeatChart &chart, RulesFile::Snapshot &rules, const QString &workingFolder = {});

    // The reading part of Open: every seat is rewritten, from the file's
    // entries in order, empty for a NULL entry and past the end of the list.
    // The podium and the swap selection stay as they are. On error the chart
    // is unchanged.
    static std::optional<FileError> loadSeatList(SeatChart &chart, const QString &path);

    // The examinee list of the exam-room command: at most 35 names in list
    // order, an empty string for a NULL entry.
    static Result<QStringList> readExamList(const QString &path);

    // What a Save did.
    struct Saved {
        // The Save failed; the message says what became of each file.
        std::optional<FileError> error;
        // Another program changed rules.txt since the window saw it: nothing
        // was saved, and this is what rules.txt holds now.
        std::optional<RulesFile::Snapshot> rulesChanged;
        // After a Save: rules.txt as the window's next Save is to find it.
        RulesFile::Snapshot rules;
        // rules.txt has become unreadable since, and was left as it is.
        std::optional<FileError> rulesUnreadable;
    };
    // Save: Option, rules.txt as SavePlan decides from `rules`, the window's,
    // and `seen`, rules.txt as the window last saw it, then default.txt, all
    // replaced together (SaveTransaction), under the folder's lock
    // (FolderLock). What would not read back as the chart or the rules is
    // refused before anything is written.
    static Saved saveWorkingFiles(const SeatChart &chart, const RulesFile::Contents &rules, const RulesFile::Snapshot &seen,
                                  const QString &workingFolder = {});
};
