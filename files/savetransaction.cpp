#include "files/savetransaction.h"

#include "files/chartfiles.h"
#include "files/nativepath.h"
#include "files/saverecord.h"
#include "files/savereport.h"
#include "files/stagedfile.h"

#include <QStringList>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

// A working file in the Save, and how the report names it.
struct WorkingFile {
    WorkingFile(const QString &folder, const QString &name, bool had, bool removing)
        : staged(ChartFiles::workingFilePath(folder, name))
        , report{name, had, removing}
    {
    }

    StagedFile staged;
    SaveReport::File report;
};
using WorkingFiles = std::vector<std::unique_ptr<WorkingFile>>;

QList<SaveReport::File> reportOf(const WorkingFiles &files)
{
    QList<SaveReport::File> report;
    for (const auto &file : files)
        report << file->report;
    return report;
}

// After the rename of files[failed] failed: those before it put back, each
// said what became of.
QString putBack(const WorkingFiles &files, std::size_t failed)
{
    if (failed == 0)
        return SaveReport::untouched(reportOf(files));
    QStringList said;
    QString notRestored;
    for (std::size_t i = failed; i-- > 0;) {
        if (auto error = files[i]->staged.restorePrevious())
            notRestored.prepend(SaveReport::notRestored(files[i]->report) + error->setOutcome({}).message());
        else
            said.prepend(SaveReport::restored(files[i]->report));
    }
    for (std::size_t i = failed; i < files.size(); ++i)
        said.append(SaveReport::untouchedOne(files[i]->report));
    return said.join(u"，"_s) + (notRestored.isEmpty() ? u"。"_s : notRestored);
}

// The renames one right after the other, so that only a crash in that moment
// leaves files of two Saves, which the record then finishes; should one fail,
// those before it go back to what they were. Then each file's folder is
// synced, and the record goes.
std::optional<FileError> finish(const WorkingFiles &files, const QString &folder)
{
    std::optional<FileError> error;
    for (std::size_t i = 0; i < files.size() && !error; ++i) {
        // A file that another program changed since it was staged is not
        // written over: its changes stay, and the files before it go back.
        StagedFile &staged = files[i]->staged;
        const QString path = ChartFiles::workingFilePath(folder, files[i]->report.name);
        if ((error = staged.changedMeanwhile() ? FileError(FileError::Reason::ChangedMeanwhile, FileError::Action::Write, path)
                                               : staged.commit()))
            error->setOutcome(putBack(files, i));
    }
    for (std::size_t i = 0; i < files.size() && !error; ++i) {
        if ((error = files[i]->staged.syncFolder()))
            error->setOutcome(SaveReport::notSynced(reportOf(files)));
    }
    ::unlink(NativePath::encode(SaveRecord::path(folder)).constData());
    return error;
}

} // namespace

std::optional<FileError> SaveTransaction::commit(const QString &folder, const QList<Change> &changes)
{
    WorkingFiles files;
    for (const Change &change : changes)
        files.push_back(std::make_unique<WorkingFile>(folder, change.name, change.had, !change.bytes));
    const auto untouched = [&] { return SaveReport::untouched(reportOf(files)); };
    for (std::size_t i = 0; i < files.size(); ++i) {
        StagedFile &staged = files[i]->staged;
        if (auto failed = changes.at(i).bytes ? staged.stage(*changes.at(i).bytes) : staged.stageRemoval())
            return failed->setOutcome(untouched());
    }
    // Two names that lead to one file, which cannot hold both.
    for (std::size_t i = 0; i < files.size(); ++i) {
        for (std::size_t j = i + 1; j < files.size(); ++j) {
            if (files[i]->staged.sameFileAs(files[j]->staged))
                return FileError(FileError::Reason::NotFaithful, FileError::Action::Write,
                                 ChartFiles::workingFilePath(folder, changes.at(j).name),
                                 SaveReport::sameFile(files[i]->report, files[j]->report))
                    .setOutcome(untouched());
        }
    }
    // A copy of each old file that a later rename may have to put back.
    QList<SaveRecord::Entry> entries;
    for (std::size_t i = 0; i < files.size(); ++i) {
        StagedFile &staged = files[i]->staged;
        if (i + 1 < files.size() && changes.at(i).bytes) {
            if (auto failed = staged.keepPrevious())
                return failed->setOutcome(untouched());
        }
        const bool removal = !changes.at(i).bytes;
        entries.append({changes.at(i).name, removal, staged.temporaryName(), staged.previousName(), staged.identity()});
    }
    // The record is the user's alone, whatever the umask, or it would not
    // be trusted. A folder that cannot be synced now will not be after the
    // renames either, and that is told then.
    StagedFile record(SaveRecord::path(folder));
    auto failed = record.stage(SaveRecord::format(entries), true);
    if (failed || (failed = record.commit()))
        return failed->setOutcome(untouched());
    record.syncFolder();
    return finish(files, folder);
}

bool SaveTransaction::pending(const QString &folder)
{
    DIR *listing = ::opendir(folder.isEmpty() ? "." : NativePath::encode(folder).constData());
    bool found = false;
    while (const dirent *item = listing && !found ? ::readdir(listing) : nullptr)
        found = std::strcmp(item->d_name, SaveRecord::Name) == 0 || StagedFile::isTemporaryName(item->d_name);
    if (listing)
        ::closedir(listing);
    return found;
}

std::optional<FileError> SaveTransaction::recover(const QString &folder)
{
    const auto record = SaveRecord::read(folder);
    if (!record.ok())
        return record.error();
    WorkingFiles files;
    for (const SaveRecord::Entry &entry : record.value()) {
        files.push_back(std::make_unique<WorkingFile>(folder, entry.name, false, entry.removal));
        if (auto failed = files.back()->staged.resume(entry.removal, entry.staged, entry.previous, entry.was)) {
            // What another Save holds, or what cannot be trusted, stays.
            for (const auto &file : files)
                file->staged.release();
            if (failed->reason() != FileError::Reason::UntrustedRecord)
                return failed;
            return FileError(FileError::Reason::UntrustedRecord, FileError::Action::Read, SaveRecord::path(folder), failed->detail());
        }
        files.back()->report.had = files.back()->staged.existed();
    }
    auto error = finish(files, folder);
    const UniqueFd here(::open(folder.isEmpty() ? "." : NativePath::encode(folder).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (here.valid())
        StagedFile::removeStaleTemporaries(here.get());
    return error;
}
