#include "files/filebytes.h"

#include <QFile>
#include <QFileInfo>

using namespace Qt::StringLiterals;

Result<FileBytes> FileBytes::read(const QString &path, qint64 limit)
{
    using Reason = FileError::Reason;
    const QFileInfo info(path);
    if (!info.exists())
        return FileError(Reason::Missing, path);
    if (info.isDir())
        return FileError(Reason::IsDirectory, path);
    if (!info.isFile())
        return FileError(Reason::NotRegularFile, path);

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileError(Reason::Unreadable, path, file.errorString());
    FileBytes bytes;
    // A regular file's size is known, so a small file gets a small buffer;
    // a size of 0 may still hide content (some system files), hence the limit.
    const qint64 size = file.size();
    bytes.data = file.read(size > 0 ? std::min(size + 1, limit) : limit);
    if (file.error() != QFileDevice::NoError)
        return FileError(Reason::Unreadable, path, file.errorString());
    bytes.complete = file.atEnd();
    return bytes;
}
