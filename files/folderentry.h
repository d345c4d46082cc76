#pragma once

#include "files/result.h"
#include "files/uniquefd.h"

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

// Where a path leads: an open folder and a name in it that is not a symbolic
// link, found by walking the path one part at a time on descriptors (openat
// with O_PATH | O_NOFOLLOW), so that what is checked is what is then used.
// A relative path stays relative to the current folder down to the system
// calls, whatever bytes the folder's name holds.
//
// Links are followed by the rule the kernel applies when fs.protected_symlinks
// is set, whatever that setting is: a link in a sticky folder that everyone
// may write (such as /tmp) is followed only when it belongs to the user or to
// the folder's owner; another user's link there is refused (LinkRefused).
// Links elsewhere are followed, at most MaxLinks of them.
class FolderEntry
{
public:
    // As many links as the kernel follows on one path.
    static constexpr int MaxLinks = 40;

    // Paths are NativePath's: any bytes, UTF-8 or not.
    static Result<FolderEntry> find(const QString &path, FileError::Action action);
    // The error for a path with nothing at its end: a link that leads
    // nowhere, a name a file dialog could not spell, or a missing file.
    static FileError missing(const QString &path, FileError::Action action, bool throughLink);

    // An O_PATH descriptor of the folder that holds (or would hold) the entry.
    int folder() const { return m_folder.get(); }
    const QByteArray &name() const { return m_name; }
    // False when nothing has that name yet.
    bool exists() const { return m_exists; }
    // True when the way there went through a link.
    bool throughLink() const { return m_throughLink; }
    // An O_PATH descriptor of the entry, when it exists.
    int node() const { return m_node.get(); }
    // The entry's own status (lstat) when it exists. The entry is held open
    // (O_PATH) meanwhile, so its inode number is not given to another file.
    const struct stat &status() const { return m_status; }

private:
    FolderEntry() = default;

    UniqueFd m_folder;
    UniqueFd m_node;
    QByteArray m_name;
    bool m_exists = false;
    bool m_throughLink = false;
    struct stat m_status = {};
};
