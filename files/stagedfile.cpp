#include "files/stagedfile.h"

#include <QFileInfo>

StagedFile::StagedFile(const QString &path)
    : m_file(path)
{
}

FileError StagedFile::error(FileError::Reason reason, const QString &detail) const
{
    return FileError(reason, m_file.fileName(), detail);
}

std::optional<FileError> StagedFile::stage(const QByteArray &bytes)
{
    using Reason = FileError::Reason;
    const QFileInfo target(m_file.fileName());
    if (target.isDir())
        return error(Reason::IsDirectory);
    // QSaveFile would rename its temporary file over a device node.
    if (target.exists() && !target.isFile())
        return error(Reason::NotRegularFile);
    if (!m_file.open(QIODevice::WriteOnly))
        return error(Reason::NotWritable, m_file.errorString());
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        const FileError failed = error(Reason::NotWritable, m_file.errorString());
        m_file.cancelWriting();
        return failed;
    }
    return std::nullopt;
}

std::optional<FileError> StagedFile::commit()
{
    if (!m_file.commit())
        return error(FileError::Reason::NotWritable, m_file.errorString());
    return std::nullopt;
}

std::optional<FileError> StagedFile::write(const QString &path, const QByteArray &bytes)
{
    StagedFile file(path);
    if (auto failed = file.stage(bytes))
        return failed;
    return file.commit();
}
