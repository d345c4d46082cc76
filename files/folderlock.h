#pragma once

#include "files/result.h"
#include "files/uniquefd.h"

#include <QString>

#include <chrono>

// Keeps Saves into one folder one at a time, so that two windows on the same
// class cannot leave one Save's seats beside the other's Option: a lock
// (flock) on the hidden file LockName in that folder, which is made, and
// then kept, readable and writable by its owner and group only. Others
// cannot open it, so a user who may merely read the folder cannot hold the
// lock and stop the teacher's Saves. The working files themselves are never
// locked: readers never wait.
//
// Where there is nothing safe to lock, the Save goes on unlocked: where the
// lock file cannot be made or opened, is not a regular file, or belongs to
// another user and is open to everyone (planted in a folder everyone may
// write), and where the file system has no locks.
class FolderLock
{
public:
    static constexpr char LockName[] = ".sedario.lock";

    // Waits at most `wait` for the folder (empty: the current one); Busy,
    // naming `path`, when another Save still holds it then.
    static Result<FolderLock> take(const QString &folder, const QString &path, std::chrono::milliseconds wait);

private:
    FolderLock() = default;

    UniqueFd m_file; // locked, while the lock is held
};
