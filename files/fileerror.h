#pragma once

#include <QString>

// Why a file could not be read or written, and which file it was. The files
// layer hands these back as values; the windows decide how to show them.
class FileError
{
public:
    enum class Reason {
        Missing,        // nothing at that path
        IsDirectory,    // the path names a folder
        NotRegularFile, // a device, pipe or socket
        Unreadable,     // it exists but could not be opened or read
        NotASeatList,   // it was read but does not hold a seat list
        NotWritable,    // it could not be created, written or replaced
    };

    FileError(Reason reason, const QString &path, const QString &detail = {});

    Reason reason() const { return m_reason; }
    const QString &path() const { return m_path; }
    // What the system or the reader said, if anything; may be empty.
    const QString &detail() const { return m_detail; }

    // One sentence for the user that names the file and the reason.
    QString message() const;

    friend bool operator==(const FileError &, const FileError &) = default;

private:
    Reason m_reason;
    QString m_path;
    QString m_detail;
};
