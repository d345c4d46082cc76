#pragma once

#include "files/result.h"

#include <QByteArray>
#include <QString>

// The beginning of a regular file, read in one bounded step: whatever the
// size of the file, at most `limit` bytes are read.
struct FileBytes {
    QByteArray data;
    bool complete = true; // false when the file is longer than data

    // Refuses, with the reason, a path that holds nothing, a folder, a device
    // or pipe (which could be endless or block), a link that FolderEntry
    // refuses, and a file that cannot be opened or read. Never blocks: the
    // file is opened with O_NONBLOCK and checked on its descriptor, so a pipe
    // swapped in for the file is refused, not waited on.
    static Result<FileBytes> read(const QString &path, qint64 limit);
};
