#pragma once

#include "files/fileerror.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

#include <optional>

// A file replaced safely: the new content goes into a temporary file next to
// the target and takes the target's place only on commit(), so a failed
// write (a full disk, a missing or read-only folder) leaves the previous file
// whole. A staged file that is never committed is thrown away.
class StagedFile
{
public:
    explicit StagedFile(const QString &path);

    // Writes bytes to the temporary file. Refuses a target that is a folder,
    // a device or a pipe: replacing one would not write where the user meant.
    std::optional<FileError> stage(const QByteArray &bytes);
    // Puts the staged content in place of the target. Only after stage()
    // succeeded.
    std::optional<FileError> commit();

    // stage() and commit() in one.
    static std::optional<FileError> write(const QString &path, const QByteArray &bytes);

private:
    FileError error(FileError::Reason reason, const QString &detail = {}) const;

    QSaveFile m_file;
};
