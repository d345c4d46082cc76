#pragma once

#include <QString>

#include <sys/types.h>

// Why a file could not be read or written, and which file it was. The files
// layer hands these back as values, worded by message() in Chinese: only it
// knows what each failure did to which file. The windows decide whether,
// when and in which box a message shows, under which title.
class FileError
{
public:
    enum class Reason {
        Missing,          // nothing at that path (and no link led there)
        NotAFolder,       // a part of the path that should be a folder is a file
        DanglingLink,     // a symbolic link whose target does not exist
        IsDirectory,      // the path names a folder
        NotRegularFile,   // a device, pipe or socket
        PermissionDenied, // refused by the file's or the folder's rights, or a read-only disk
        DiskFull,         // no space left (or over a quota or size limit)
        NameTooLong,      // a part of the path is longer than the file system allows
        LinkLoop,         // symbolic links that lead round in a circle, or too many of them
        LinkRefused,      // another user's link in a shared folder (see FolderEntry)
        IoError,          // the disk failed to read, write or sync
        NotASeatList,     // it was read but does not hold a seat list; detail says why
        NotARoster,       // it was read but no names can be imported from it; detail says why
        NotFaithful,      // Save would not read back as the chart; detail names the seat
        RulesNotFaithful, // Save would not read back as the rules; detail names the rule
        NotARulesFile,    // rules.txt was read but is too large or not text; detail says why
        RuleNotRead,      // a line of rules.txt that is no rule, kept as it is; detail names the line
        NameNotInUtf8,    // not found under a name that a file dialog could not spell (not UTF-8)
        OtherComputer,    // a file: address of another computer; detail names it
        Busy,             // another program saves into the same folder
        ChangedMeanwhile, // another program changed the file while it was being saved
        UntrustedRecord,  // the record of a Save that did not finish, not to be trusted; detail says why
        SystemError,      // anything rarer; detail holds the system's own text
    };
    enum class Action { Read, Write };

    FileError(Reason reason, Action action, const QString &path, const QString &detail = {});
    // The reason for an errno value of a failed system call.
    static FileError fromErrno(int error, Action action, const QString &path);
    // A file that was read but holds no roster; `why` says what it holds
    // instead, or what is wrong with it.
    static FileError notARoster(const QString &path, const QString &why);
    // A workbook encrypted with a password, which no roster reader opens.
    static FileError encryptedRoster(const QString &path);
    // The reason for a path that is not a regular file, by its file type
    // (st_mode): a folder, or a device, pipe or socket.
    static FileError notRegular(mode_t type, Action action, const QString &path);

    Reason reason() const { return m_reason; }
    Action action() const { return m_action; }
    const QString &path() const { return m_path; }
    // The finer cause, in Chinese, or the system's text; may be empty.
    const QString &detail() const { return m_detail; }

    // What a failed write did to the files, for the message; none by default.
    FileError &setOutcome(const QString &outcome);

    // Sentences for the user: what went wrong with which file, and for a
    // write what became of the files. Paths and names stand as plain text
    // between quotes, each kept in its own writing direction (between U+2068
    // and U+2069), so that a right-to-left mark in one cannot turn the
    // sentence around.
    QString message() const;
    // A path or a name as message() quotes it.
    static QString quoted(const QString &text);

    friend bool operator==(const FileError &, const FileError &) = default;

private:
    Reason m_reason;
    Action m_action;
    QString m_path;
    QString m_detail;
    QString m_outcome;
};
