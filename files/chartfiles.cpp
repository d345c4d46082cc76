#include "files/chartfiles.h"

#include "chart/seatchart.h"
#include "files/folderentry.h"
#include "files/folderlock.h"
#include "files/option.h"
#include "files/saveplan.h"
#include "files/savereport.h"
#include "files/savetransaction.h"
#include "files/seatlistfile.h"

#include <QDir>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Whether something is at path, and whether a link led there.
std::pair<bool, bool> lookUp(const QString &path)
{
    const auto entry = FolderEntry::find(path, FileError::Action::Read);
    return {entry.ok() && entry.value().exists(), entry.ok() && entry.value().throughLink()};
}

constexpr std::chrono::seconds LockWait(2);

} // namespace

const QString ChartFiles::SeatListName = u"default.txt"_s;
const QString ChartFiles::OptionName = u"Option"_s;

QString ChartFiles::workingFilePath(const QString &workingFolder, const QString &name)
{
    return workingFolder.isEmpty() ? name : QDir(workingFolder).filePath(name);
}

QList<FileError> ChartFiles::loadWorkingFiles(SeatChart &chart, RulesFile::Snapshot &rules, const QString &workingFolder)
{
    QList<FileError> problems;
    const auto report = [&](const FileError &error) {
        if (error.reason() != FileError::Reason::Missing)
            problems.append(error);
    };
    const QString seatsPath = workingFilePath(workingFolder, SeatListName);
    // A Save that a crash cut short is finished before anything is read; one
    // that another window is running now finishes by itself.
    if (SaveTransaction::pending(workingFolder)) {
        const auto lock = FolderLock::take(workingFolder, seatsPath, LockWait);
        if (auto failed = lock.ok() ? SaveTransaction::recover(workingFolder) : std::nullopt)
            problems.append(*failed);
    }

    const auto seats = SeatListFile::read(seatsPath);
    if (seats.ok()) {
        const QStringList &entries = seats.value();
        for (int i = 0; i < std::min<int>(int(entries.size()), SeatChart::SeatCount); ++i) {
            if (!SeatListFile::isNullEntry(entries.at(i)))
                chart.setSeat(i, entries.at(i));
        }
    } else {
        report(seats.error());
    }

    const auto option = Option::read(workingFilePath(workingFolder, OptionName));
    if (!option.ok())
        report(option.error());
    else if (option.value())
        chart.setPodiumSide(*option.value());

    rules = RulesFile::look(workingFilePath(workingFolder, RulesFile::Name));
    if (rules.unreadable)
        problems.append(*rules.unreadable);
    problems.append(rules.problems);
    return problems;
}

std::optional<FileError> ChartFiles::loadSeatList(SeatChart &chart, const QString &path)
{
    const auto names = readExamList(path);
    if (!names.ok())
        return names.error();
    for (int i = 0; i < SeatChart::SeatCount; ++i)
        chart.setSeat(i, names.value().value(i)); // empty past the end of the list
    return std::nullopt;
}

Result<QStringList> ChartFiles::readExamList(const QString &path)
{
    auto names = SeatListFile::read(path);
    if (names.ok())
        std::replace_if(names.value().begin(), names.value().end(), SeatListFile::isNullEntry, QString());
    return names;
}

ChartFiles::Saved ChartFiles::saveWorkingFiles(const SeatChart &chart, const RulesFile::Contents &rules, const RulesFile::Snapshot &seen,
                                               const QString &workingFolder)
{
    const QString seatsPath = workingFilePath(workingFolder, SeatListName);
    const QString optionPath = workingFilePath(workingFolder, OptionName);
    const QString rulesPath = workingFilePath(workingFolder, RulesFile::Name);
    const auto [hadRules, rulesLinked] = lookUp(rulesPath);
    QList<SaveTransaction::Change> changes = {{OptionName, Option::format(chart.podiumSide()), lookUp(optionPath).first},
                                              {SeatListName, {}, lookUp(seatsPath).first}};
    Saved saved;
    const auto refused = [&](const FileError &error, const QList<SaveTransaction::Change> &files, const QString &more = {}) {
        QList<SaveReport::File> report;
        for (const SaveTransaction::Change &file : files)
            report.append({file.name, file.had});
        saved.error = FileError(error).setOutcome(SaveReport::untouched(report) + more);
        return saved;
    };

    // One Save at a time in a folder, so that the files are always one
    // Save's; and one that a crash cut short is finished first.
    const auto lock = FolderLock::take(workingFolder, seatsPath, LockWait);
    if (!lock.ok())
        return refused(lock.error(), changes);
    if (auto failed = SaveTransaction::recover(workingFolder))
        return refused(*failed, changes);
    const RulesFile::Snapshot now = RulesFile::look(rulesPath);
    const SavePlan::Rules plan = SavePlan::rules(rules, seen, now, rulesLinked);
    if (plan == SavePlan::Rules::Changed) {
        saved.rulesChanged = now;
        return saved;
    }
    const SaveTransaction::Change rulesFile{RulesFile::Name, {}, hadRules};
    if (plan == SavePlan::Rules::Unreadable)
        return refused(*now.unreadable, changes << rulesFile,
                       u"为了不丢掉 %1 原有的内容，请先修改或移走它，再保存。"_s.arg(RulesFile::Name));
    const auto seatBytes = SeatListFile::format(chart, seatsPath);
    if (!seatBytes.ok())
        return refused(seatBytes.error(), changes);
    changes.last().bytes = seatBytes.value();
    const auto rulesBytes = plan == SavePlan::Rules::Write ? RulesFile::format(rules, rulesPath) : Result<QByteArray>(QByteArray());
    if (!rulesBytes.ok())
        return refused(rulesBytes.error(), changes << rulesFile);
    // rules.txt between the other two; default.txt goes last, as it did
    // when there were two files.
    if (plan != SavePlan::Rules::Leave) {
        changes.insert(1, rulesFile);
        if (plan != SavePlan::Rules::Remove)
            changes[1].bytes = rulesBytes.value();
    }
    if ((saved.error = SaveTransaction::commit(workingFolder, changes)))
        return saved;

    switch (plan) {
    case SavePlan::Rules::Write:
    case SavePlan::Rules::Empty: saved.rules = RulesFile::snapshotOf(rulesBytes.value(), rulesPath); break;
    case SavePlan::Rules::Remove: break;
    default:
        // What cannot be read stays as the window last knew it.
        saved.rules = now.unreadable ? RulesFile::Snapshot{now.fingerprint, seen.contents, {}, now.unreadable} : now;
        if (now.unreadable && now.fingerprint != seen.fingerprint)
            saved.rulesUnreadable = now.unreadable;
    }
    return saved;
}
