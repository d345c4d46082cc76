#pragma once

#include "files/result.h"
#include "files/uniquefd.h"

#include <QString>

#include <chrono>

// Keeps Saves into one folder one at a time, so that two windows on the same
// class cannot leave one Save's seats beside the other's Option: a lock
// (flock) on the folder itself, which leaves its files free for readers.
// Where the folder cannot be opened to lock it, or its file system has no
// locks, there is nothing to wait for and the Save goes on.
class FolderLock
{
public:
    // Waits at most `wait` for the folder (empty: the current one); Busy,
    // naming `path`, when another Save still holds it then.
    static Result<FolderLock> take(const QString &folder, const QString &path, std::chrono::milliseconds wait);

private:
    FolderLock() = default;

    UniqueFd m_folder; // locked, while the lock is held
};
