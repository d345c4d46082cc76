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
    bytes.data = file.read(limit);
    if (file.error() != QFileDevice::NoError)
        return FileError(Reason::Unreadable, path, file.errorString());
    bytes.complete = file.atEnd();
    return bytes;
}
