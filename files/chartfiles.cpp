#include "files/chartfiles.h"

#include "chart/seatchart.h"
#include "files/folderentry.h"
#include "files/folderlock.h"
#include "files/option.h"
#include "files/seatlistfile.h"
#include "files/stagedfile.h"

#include <QDir>

#include <algorithm>

using namespace Qt::StringLiterals;

const QString ChartFiles::SeatListName = u"default.txt"_s;
const QString ChartFiles::OptionName = u"Option"_s;

QString ChartFiles::workingFilePath(const QString &workingFolder, const QString &name)
{
    return workingFolder.isEmpty() ? name : QDir(workingFolder).filePath(name);
}

QList<FileError> ChartFiles::loadWorkingFiles(SeatChart &chart, const QString &workingFolder)
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

std::optional<FileError> ChartFiles::saveWorkingFiles(const SeatChart &chart, const QString &workingFolder)
{
    const QString optionPath = workingFilePath(workingFolder, OptionName);
    const QString seatsPath = workingFilePath(workingFolder, SeatListName);
    // One Save at a time in a folder, so that the pair is always one Save's.
    const auto lock = FolderLock::take(workingFolder, seatsPath, std::chrono::seconds(2));
    const auto exists = [](const QString &path) {
        const auto entry = FolderEntry::find(path, FileError::Action::Read);
        return entry.ok() && entry.value().exists();
    };
    const bool hadSeats = exists(seatsPath), hadOption = exists(optionPath);
    const QString untouched = hadSeats && hadOption ? u"default.txt 和 Option 都没有改动。"_s
        : hadSeats                                  ? u"default.txt 没有改动，也没有写入 Option。"_s
        : hadOption                                 ? u"Option 没有改动，也没有写入 default.txt。"_s
                                                    : u"没有写入 default.txt 和 Option。"_s;
    if (!lock.ok())
        return FileError(lock.error()).setOutcome(untouched);
    const auto seatBytes = SeatListFile::format(chart, seatsPath);
    if (!seatBytes.ok())
        return FileError(seatBytes.error()).setOutcome(untouched);

    // Both files are written and synced in full before either replaces its
    // old version; then they are renamed one right after the other, so that
    // only a crash in that moment leaves a new Option with the old seats.
    StagedFile option(optionPath);
    StagedFile seats(seatsPath);
    if (auto failed = option.stage(Option::format(chart.podiumSide())))
        return failed->setOutcome(untouched);
    if (auto failed = seats.stage(seatBytes.value()))
        return failed->setOutcome(untouched);
    if (option.sameFileAs(seats)) {
        return FileError(FileError::Reason::NotFaithful, FileError::Action::Write, seatsPath,
                         u"default.txt 和 Option 是同一个文件，不能同时存放座位和讲台位置"_s)
            .setOutcome(untouched);
    }
    if (auto failed = option.keepPrevious())
        return failed->setOutcome(untouched);
    if (auto failed = option.commit())
        return failed->setOutcome(untouched);
    if (auto failed = seats.commit()) {
        // Option goes back to what it was, so that the two files agree.
        const QString seatsOutcome = hadSeats ? u"default.txt 没有改动"_s : u"没有写入 default.txt"_s;
        if (auto notRestored = option.restorePrevious()) {
            return failed->setOutcome(
                seatsOutcome + (hadOption ? u"，但 Option 已经换成新的讲台位置，未能改回："_s : u"，但已经写入了新的 Option，未能删除："_s)
                + FileError(*notRestored).setOutcome({}).message());
        }
        return failed->setOutcome((hadOption ? u"Option 已经改回原样，"_s : u"新写入的 Option 已经删除，"_s) + seatsOutcome + u"。"_s);
    }
    for (StagedFile *file : {&option, &seats}) {
        if (auto failed = file->syncFolder())
            return failed->setOutcome(u"default.txt 和 Option 已经写入新内容，但没能确认已存到磁盘，断电后可能丢失新内容。"_s);
    }
    return std::nullopt;
}

QList<FileError> ChartFiles::loadWorkingFiles(SeatChart &chart, RulesFile::Contents &rules, const QString &workingFolder)
{
    Q_UNUSED(rules);
    return loadWorkingFiles(chart, workingFolder);
}

std::optional<FileError> ChartFiles::saveWorkingFiles(const SeatChart &chart, const RulesFile::Contents &rules, const QString &workingFolder)
{
    Q_UNUSED(rules);
    return saveWorkingFiles(chart, workingFolder);
}
