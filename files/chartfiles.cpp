#include "files/chartfiles.h"

#include "chart/seatchart.h"
#include "files/filebytes.h"
#include "files/option.h"
#include "files/seatlistfile.h"
#include "files/stagedfile.h"

#include <QDir>
#include <QFile>

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
        for (int i = 0; i < entries.size(); ++i) {
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
    const auto seats = SeatListFile::read(path);
    if (!seats.ok())
        return seats.error();
    const QStringList &entries = seats.value();
    for (int i = 0; i < SeatChart::SeatCount; ++i) {
        const bool listed = i < entries.size() && !SeatListFile::isNullEntry(entries.at(i));
        chart.setSeat(i, listed ? entries.at(i) : QString());
    }
    return std::nullopt;
}

Result<QStringList> ChartFiles::readExamList(const QString &path)
{
    auto names = SeatListFile::read(path);
    if (names.ok()) {
        for (QString &name : names.value()) {
            if (SeatListFile::isNullEntry(name))
                name.clear();
        }
    }
    return names;
}

std::optional<FileError> ChartFiles::saveWorkingFiles(const SeatChart &chart, const QString &workingFolder)
{
    const QString optionPath = workingFilePath(workingFolder, OptionName);
    const QString seatsPath = workingFilePath(workingFolder, SeatListName);

    // Both files are written out in full before either replaces its old
    // version, so a full disk or a refused folder leaves both as they were.
    StagedFile option(optionPath);
    StagedFile seats(seatsPath);
    if (auto failed = option.stage(Option::format(chart.podiumSide())))
        return failed;
    if (auto failed = seats.stage(SeatListFile::format(chart)))
        return failed;

    // Should default.txt still fail to take its place, Option gets its old
    // content back, so the two never disagree.
    const auto previousOption = FileBytes::read(optionPath, 4096);
    if (auto failed = option.commit())
        return failed;
    if (auto failed = seats.commit()) {
        if (previousOption.ok() && previousOption.value().complete)
            StagedFile::write(optionPath, previousOption.value().data);
        else if (!previousOption.ok() && previousOption.error().reason() == FileError::Reason::Missing)
            QFile::remove(optionPath);
        return failed;
    }
    return std::nullopt;
}
