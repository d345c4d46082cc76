#include "files/chartfiles.h"

#include "chart/seatchart.h"
#include "files/folderentry.h"
#include "files/folderlock.h"
#include "files/option.h"
#include "files/seatlistfile.h"
#include "files/stagedfile.h"

#include <QDir>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// One working file in a Save, and the words for what became of it.
struct WorkingFile {
    WorkingFile(const QString &path, const QString &name, const QString &holds, std::pair<bool, bool> found)
        : file(path)
        , name(name)
        , holds(holds)
        , had(found.first)
        , linked(found.second)
    {
    }

    QString untouched() const { return had ? name + u" 没有改动"_s : u"没有写入 "_s + name; }
    QString restored() const
    {
        return removing ? u"删除的 %1 已经恢复"_s.arg(name) : had ? name + u" 已经改回原样"_s : u"新写入的 %1 已经删除"_s.arg(name);
    }
    QString notRestored() const
    {
        return removing ? u"，但 %1 已经删除，未能恢复："_s.arg(name)
            : had       ? u"，但 %1 已经换成新的%2，未能改回："_s.arg(name, holds)
                        : u"，但已经写入了新的 %1，未能删除："_s.arg(name);
    }

    StagedFile file;
    QString name;  // as messages name it
    QString holds; // what its content is, in a message
    bool had;      // it existed before the Save
    bool linked;   // the name is a link
    bool removing = false;
};

// Whether something is at path, and whether a link led there.
std::pair<bool, bool> lookUp(const QString &path)
{
    const auto entry = FolderEntry::find(path, FileError::Action::Read);
    return {entry.ok() && entry.value().exists(), entry.ok() && entry.value().throughLink()};
}

QString untouchedPair(bool hadSeats, bool hadOption)
{
    return hadSeats && hadOption ? u"default.txt 和 Option 都没有改动。"_s
        : hadSeats               ? u"default.txt 没有改动，也没有写入 Option。"_s
        : hadOption              ? u"Option 没有改动，也没有写入 default.txt。"_s
                                 : u"没有写入 default.txt 和 Option。"_s;
}

// Puts back the files that were committed before `rest` failed to, and says
// what became of each.
QString putBack(const QList<WorkingFile *> &done, const QList<WorkingFile *> &rest)
{
    QStringList said;
    QString notRestored;
    for (auto file = done.rbegin(); file != done.rend(); ++file) {
        if (auto failed = (*file)->file.restorePrevious())
            notRestored.prepend((*file)->notRestored() + failed->setOutcome({}).message());
        else
            said.prepend((*file)->restored());
    }
    for (const WorkingFile *file : rest)
        said.append(file->untouched());
    return said.join(u"，"_s) + (notRestored.isEmpty() ? u"。"_s : notRestored);
}

// The renames one right after the other, so that only a crash in that moment
// leaves files of two Saves; should one fail, those before it go back to what
// they were. Then each file's folder is synced.
std::optional<FileError> commitAll(const QList<WorkingFile *> &files, const QString &untouched)
{
    for (qsizetype i = 0; i < files.size(); ++i) {
        if (auto failed = files.at(i)->file.commit())
            return failed->setOutcome(i == 0 ? untouched : putBack(files.first(i), files.sliced(i)));
    }
    const auto rules = std::find_if(files.begin(), files.end(), [](const WorkingFile *file) { return file->name == RulesFile::Name; });
    const bool removed = rules != files.end() && (*rules)->removing;
    const QString written = rules != files.end() && !removed ? u"default.txt、Option 和 rules.txt"_s : u"default.txt 和 Option"_s;
    for (WorkingFile *file : files) {
        if (auto failed = file->file.syncFolder()) {
            return failed->setOutcome(written + u" 已经写入新内容，"_s + (removed ? u"rules.txt 已经删除，"_s : QString())
                                      + u"但没能确认已存到磁盘，断电后可能丢失新内容。"_s);
        }
    }
    return std::nullopt;
}

// Two of the working files that lead to one file, which cannot hold both.
std::optional<FileError> sameFile(const WorkingFile &a, const WorkingFile &b, const QString &path, const QString &why)
{
    if (!a.file.sameFileAs(b.file))
        return std::nullopt;
    return FileError(FileError::Reason::NotFaithful, FileError::Action::Write, path,
                     u"%1 和 %2 是同一个文件，不能同时存放%3"_s.arg(a.name, b.name, why));
}

} // namespace

const QString ChartFiles::SeatListName = u"default.txt"_s;
const QString ChartFiles::OptionName = u"Option"_s;

QString ChartFiles::workingFilePath(const QString &workingFolder, const QString &name)
{
    return workingFolder.isEmpty() ? name : QDir(workingFolder).filePath(name);
}

QList<FileError> ChartFiles::loadWorkingFiles(SeatChart &chart, RulesFile::Contents &rules, const QString &workingFolder)
{
    QList<FileError> problems;
    const auto report = [&](const FileError &error) {
        if (error.reason() != FileError::Reason::Missing)
            problems.append(error);
    };

    const auto seats = SeatListFile::read(workingFilePath(workingFolder, SeatListName));
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

    const auto read = RulesFile::read(workingFilePath(workingFolder, RulesFile::Name));
    if (read.ok()) {
        rules = read.value().contents;
        rules.fromFile = true;
        problems.append(read.value().problems);
    } else {
        report(read.error());
    }
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

namespace {

// A rules.txt that cannot be read (a binary file, or one that may not be
// read) was reported at start-up and may hold what a teacher wrote: Save
// never removes it, nor writes over it.
std::optional<FileError> unreadableRules(const WorkingFile &rulesFile, const QString &path)
{
    if (!rulesFile.had)
        return std::nullopt;
    const auto existing = RulesFile::read(path);
    if (existing.ok() || existing.error().reason() == FileError::Reason::DanglingLink)
        return std::nullopt;
    return existing.error();
}

} // namespace

std::optional<FileError> ChartFiles::saveWorkingFiles(const SeatChart &chart, const RulesFile::Contents &rules,
                                                      const QString &workingFolder)
{
    const QString seatsPath = workingFilePath(workingFolder, SeatListName);
    const QString rulesPath = workingFilePath(workingFolder, RulesFile::Name);
    // One Save at a time in a folder, so that the files are always one Save's.
    const auto lock = FolderLock::take(workingFolder, seatsPath, std::chrono::seconds(2));
    WorkingFile option(workingFilePath(workingFolder, OptionName), OptionName, u"讲台位置"_s,
                       lookUp(workingFilePath(workingFolder, OptionName)));
    WorkingFile seats(seatsPath, SeatListName, u"座位"_s, lookUp(seatsPath));
    WorkingFile rulesFile(rulesPath, RulesFile::Name, u"规则"_s, lookUp(rulesPath));
    const std::optional<FileError> unreadable = unreadableRules(rulesFile, rulesPath);
    // Without rules, a class that never had any sees only the files of old,
    // and a rules.txt the program did not read or write stays as it is.
    const bool withRules = !unreadable && (!rules.isEmpty() || (rulesFile.had && rules.fromFile));
    // A rules.txt that is a link stays, and so does where it leads: it is
    // emptied rather than removed.
    rulesFile.removing = withRules && rules.isEmpty() && !rulesFile.linked;
    const QString untouched = untouchedPair(seats.had, option.had)
        + (!withRules          ? QString()
               : rulesFile.had ? u"rules.txt 也没有改动。"_s
                               : u"也没有写入 rules.txt。"_s);
    if (!lock.ok())
        return FileError(lock.error()).setOutcome(untouched);
    if (unreadable && !rules.isEmpty())
        return FileError(*unreadable).setOutcome(untouched + u"rules.txt 也没有改动：为了不丢掉它原有的内容，请先修改或移走它，再保存。"_s);
    const auto seatBytes = SeatListFile::format(chart, seatsPath);
    if (!seatBytes.ok())
        return FileError(seatBytes.error()).setOutcome(untouched);
    const auto rulesBytes = withRules && !rulesFile.removing ? RulesFile::format(rules, rulesPath) : Result<QByteArray>(QByteArray());
    if (!rulesBytes.ok())
        return FileError(rulesBytes.error()).setOutcome(untouched);

    // Every file is written and synced in full before any replaces its old
    // version, and a copy of each old one that may have to go back is kept.
    if (auto failed = option.file.stage(Option::format(chart.podiumSide())))
        return failed->setOutcome(untouched);
    if (auto failed = seats.file.stage(seatBytes.value()))
        return failed->setOutcome(untouched);
    if (withRules) {
        if (auto failed = rulesFile.removing ? rulesFile.file.stageRemoval() : rulesFile.file.stage(rulesBytes.value()))
            return failed->setOutcome(untouched);
    }
    std::optional<FileError> same = sameFile(seats, option, seatsPath, u"座位和讲台位置"_s);
    if (withRules && !same)
        same = sameFile(seats, rulesFile, rulesPath, u"座位和规则"_s);
    if (withRules && !same)
        same = sameFile(option, rulesFile, rulesPath, u"讲台位置和规则"_s);
    if (same)
        return same->setOutcome(untouched);
    if (auto failed = option.file.keepPrevious())
        return failed->setOutcome(untouched);
    if (withRules && !rulesFile.removing) {
        if (auto failed = rulesFile.file.keepPrevious())
            return failed->setOutcome(untouched);
    }
    // default.txt goes last, as it did when there were two files.
    return commitAll(withRules ? QList<WorkingFile *>{&option, &rulesFile, &seats} : QList<WorkingFile *>{&option, &seats}, untouched);
}
