#pragma once

// Stands in for some of the C library's file calls in the test program that
// links it, so that a test can make them fail the way a dying disk or a
// refused rename would, and see in what order they were made. Every call
// goes through to the C library unless a test has asked otherwise; reset()
// puts everything back.

#include <QByteArray>
#include <QHash>
#include <QList>

#include <sys/types.h>

#include <functional>
#include <mutex>

struct SystemCalls {
    // errno for every fsync and fdatasync of a file, and of a folder, or 0.
    static inline int syncError = 0;
    static inline int folderSyncError = 0;
    // errno for every flock of a folder's lock file (.sedario.lock), and of
    // any other file, or 0.
    static inline int folderLockError = 0;
    static inline int fileLockError = 0;
    // errno for every fchown, and every fsetxattr of an access ACL, or 0.
    static inline int chownError = 0;
    static inline int aclError = 0;
    // errno for every call that reads or changes extended attributes, or 0.
    static inline int attributesError = 0;
    // For each write to a descriptor above 2, in turn: a number above 0
    // writes at most that many bytes, 0 writes nothing, and a number below 0
    // fails with that errno negated, errno being left as it was after a 0.
    // Writes past the end of the list go through.
    static inline QList<ssize_t> writes;
    // For each rename onto a name (the last part of the new path), in turn,
    // the errno it fails with (0: it goes through); renames past the end of
    // the list go through.
    static inline QHash<QByteArray, QList<int>> renameErrors;
    // "sync file", "sync folder" and "rename <name>", in order.
    static inline QList<QByteArray> log;
    // Called after each rename that went through, with its log entry.
    static inline std::function<void(const QByteArray &)> afterRename;
    // Held while a call looks at or changes the above: Saves may run in
    // several threads at once.
    static inline std::mutex lock;

    static void reset()
    {
        syncError = 0;
        folderSyncError = 0;
        folderLockError = 0;
        fileLockError = 0;
        chownError = 0;
        aclError = 0;
        attributesError = 0;
        writes.clear();
        renameErrors.clear();
        log.clear();
        afterRename = {};
    }
};
