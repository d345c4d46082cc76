#pragma once

#include "files/folderentry.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// A file replaced safely, the one way the program writes a file.
//
// stage() writes the new content into a hidden temporary file next to the
// target (".sedario-" and a random suffix), checks every write, and syncs it.
// commit() renames it over the target, so the target is at every moment
// either the whole previous file or the whole new one; syncFolder() makes the
// rename itself durable. Anything that fails before commit() leaves the
// previous file as it was, and a temporary file that is not committed is
// removed; a failing syncFolder() comes after the rename, when the new
// content is in place but may not yet survive a crash. One left behind
// by a Save that was killed is removed by the next stage() in that folder
// (removeStaleTemporaries()): a temporary file is locked (flock) while its
// Save runs, so only dead ones go. A Save killed after its intent record was
// written is finished with resume() first (SaveTransaction).
// On a file system without locks, Save goes on without them and removes no
// one's temporary files. Every loop is bounded, and no way of giving up
// leaves a file of its own behind.
//
// A target that is a link (one FolderEntry follows) is written where the link
// leads, and the link stays. A target that is a folder, a device or a pipe is
// refused. An existing target keeps its group, permission bits, ACL and user
// attributes, or where they cannot be kept, grants less (FileAttributes); it
// belongs to whoever saved it. Errors say what became of the target: an
// existing one stays as it was, and a new one is not made.
//
// Why not QSaveFile: it ignores a failing sync of the file, never syncs the
// folder, resolves links itself (so the kernel's rule for links in shared
// folders never applies), and turns a relative path into an absolute one
// through a lossy conversion of the current folder's name.
class StagedFile
{
public:
    explicit StagedFile(const QString &path);
    ~StagedFile();

    // A new target is made as the umask says, or open to its owner alone.
    std::optional<FileError> stage(const QByteArray &bytes, bool ownerOnly = false);
    // After stage(): stages a copy of the current target too (the previous
    // content, with its rights), so that restorePrevious() can put
    // it back after commit(). Fails, with nothing changed, when that content
    // cannot be read.
    std::optional<FileError> keepPrevious();
    // Instead of stage(): readies the removal of the target, which must then
    // be a regular file the user may replace (a missing one is no error), and
    // keeps its previous content as keepPrevious() does. commit() then removes
    // the target, and restorePrevious() puts it back. The target is where a
    // link leads, so a caller that means to keep a link writes to it instead.
    std::optional<FileError> stageRemoval();
    // After stage(): puts the staged content in the target's place; after
    // stageRemoval(), removes the target.
    std::optional<FileError> commit();
    // After keepPrevious() and commit(): the target as it was before, or no
    // target when there was none.
    std::optional<FileError> restorePrevious();
    // After commit(): syncs the folder, so that the rename survives a crash.
    std::optional<FileError> syncFolder();
    // After both were staged: true when the two lead to one file (a link
    // from one name to the other, or two names of one file).
    bool sameFileAs(const StagedFile &other) const;
    // After stage() or stageRemoval(): whether the target existed.
    bool existed() const { return m_target && m_target->exists(); }

    // What an intent record names (see SaveRecord): the staged file, empty
    // once committed; the staged copy of the previous content, or nothing;
    // and the identity ("device:inode:change time") the target had when it
    // was staged, nothing when there was none.
    const QByteArray &temporaryName() const { return m_temporaryName; }
    QByteArray previousName() const { return m_previous ? m_previous->m_temporaryName : QByteArray(); }
    const QByteArray &identity() const { return m_identity; }
    // True when the target, still to be replaced or removed, is no longer
    // what it was when it was staged: another program changed it since.
    bool changedMeanwhile() const;
    // Instead of stage() or stageRemoval(): takes up what a Save that did not
    // finish staged for this target, as its intent record names it: the
    // staged file (nothing for a removal), the copy of the previous content,
    // and the identity the target had then. A target that is no longer what
    // it was then was replaced already, or changed by someone since, and is
    // left as it is. Fails, taking nothing up, when a staged file is not a
    // regular file of the user's with one name (UntrustedRecord), or another
    // Save still holds it (Busy).
    std::optional<FileError> resume(bool removal, const QByteArray &staged, const QByteArray &previous, const QByteArray &was);
    // Leaves the staged files where they are, as they were found.
    void release();

    // stage(), commit() and syncFolder() in one.
    static std::optional<FileError> write(const QString &path, const QByteArray &bytes);
    // What stage() would refuse the target for, found without writing or
    // opening anything: a folder, a device or a pipe, a link FolderEntry
    // refuses, a file the user may not replace.
    static std::optional<FileError> check(const QString &path);

    // How many new names stage() tries for its temporary file.
    static constexpr int MaxAttempts = 100;
    // True for the errors of flock() on a file system that has no locks.
    static bool withoutLocks(int error);
    // Removes the temporary files in the folder (an O_PATH descriptor) that
    // no running Save holds, those of a Save that was killed. Where the file
    // system has no locks, none can be told from a running Save's, and none
    // goes.
    static void removeStaleTemporaries(int folder);
    // True when the name is one of a temporary file's.
    static bool isTemporaryName(const QByteArray &name);

private:
    // An error of this file's, with what became of it.
    FileError fail(int error) const;
    QString untouched() const;
    // Finds the target and checks that it may be replaced.
    std::optional<FileError> findTarget();
    // Takes up a staged file of a Save that did not finish (resume()).
    std::optional<FileError> take(const QByteArray &name);
    // The target's identity as it is now; nothing when it is gone.
    QByteArray identityNow() const;
    // The locked temporary file, or why there is none; nothing is left
    // behind on any way that gives up.
    std::optional<FileError> create(bool ownerOnly);

    QString m_path;
    std::optional<FolderEntry> m_target;
    UniqueFd m_file;                        // the staged file, locked
    QByteArray m_temporaryName;             // its name, until committed
    std::unique_ptr<StagedFile> m_previous; // the previous content, staged
    QByteArray m_identity;                  // the target's, when found
    bool m_removal = false;                 // the target is to be removed
    bool m_removing = false;                // and still is there
};
