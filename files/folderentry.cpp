#include "files/folderentry.h"

#include "files/nativepath.h"

#include <QByteArrayList>

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace {

// The root or the current folder, where a path's walk begins.
UniqueFd startOf(const QByteArray &path)
{
    return UniqueFd(::open(path.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
}

// Takes the link `node`, found in `folder`, by the kernel's rule for links in
// shared folders: its target goes in front of the parts of the path still to
// walk, and an absolute target starts the walk again at the root. Returns 0,
// an errno value, or -1 for another user's link in a shared folder.
int followLink(UniqueFd &folder, const UniqueFd &node, const struct stat &link, QByteArrayList &parts)
{
    struct stat holder = {};
    if (::fstat(folder.get(), &holder) != 0)
        return errno;
    const bool shared = (holder.st_mode & S_ISVTX) && (holder.st_mode & S_IWOTH);
    if (shared && link.st_uid != ::geteuid() && link.st_uid != holder.st_uid)
        return -1;
    QByteArray target(PATH_MAX, '\0');
    const ssize_t size = ::readlinkat(node.get(), "", target.data(), size_t(target.size()));
    if (size < 0 || size == target.size())
        return size < 0 ? errno : ENAMETOOLONG;
    target.truncate(size);
    if (target.startsWith('/')) {
        UniqueFd root = startOf(target);
        if (!root.valid())
            return errno;
        folder = std::move(root);
    }
    parts = target.split('/') + parts;
    return 0;
}

} // namespace

FileError FolderEntry::missing(const QString &path, FileError::Action action, bool throughLink)
{
    // A name a file dialog could not spell comes back with U+FFFD in it.
    using Reason = FileError::Reason;
    const Reason reason = throughLink                ? Reason::DanglingLink
        : path.contains(QChar::ReplacementCharacter) ? Reason::NameNotInUtf8
                                                     : Reason::Missing;
    return FileError(reason, action, path);
}

Result<FolderEntry> FolderEntry::find(const QString &path, FileError::Action action)
{
    int links = 0;
    // A name missing on the way that a link gave is the link's fault.
    const auto fail = [&](int error) {
        return error == ENOENT ? missing(path, action, links > 0) : FileError::fromErrno(error, action, path);
    };
    const QByteArray encoded = NativePath::encode(path);
    FolderEntry entry;
    entry.m_folder = startOf(encoded);
    // No name holds a NUL, which would end the path early.
    if (encoded.isEmpty() || encoded.contains('\0') || !entry.m_folder.valid())
        return fail(encoded.isEmpty() || encoded.contains('\0') ? ENOENT : errno);

    QByteArrayList parts = encoded.split('/');
    while (!parts.isEmpty()) {
        const QByteArray name = parts.takeFirst();
        if (name.isEmpty())
            continue;
        const bool last = parts.isEmpty();
        UniqueFd node(::openat(entry.m_folder.get(), name.constData(), O_PATH | O_NOFOLLOW | O_CLOEXEC));
        struct stat status = {};
        if (!node.valid() || ::fstat(node.get(), &status) != 0) {
            if (errno != ENOENT || !last)
                return fail(errno);
            entry.m_name = name;
            return entry;
        }
        if (S_ISLNK(status.st_mode)) {
            if (++links > MaxLinks)
                return fail(ELOOP);
            if (const int error = followLink(entry.m_folder, node, status, parts))
                return error < 0 ? FileError(FileError::Reason::LinkRefused, action, path) : fail(error);
            entry.m_throughLink = true;
            continue;
        }
        if (last) {
            entry.m_name = name;
            entry.m_exists = true;
            entry.m_status = status;
            entry.m_node = std::move(node);
            return entry;
        }
        if (!S_ISDIR(status.st_mode))
            return fail(ENOTDIR);
        entry.m_folder = std::move(node);
    }
    // The path ends in a folder ("work/", "/").
    entry.m_name = ".";
    entry.m_exists = ::fstatat(entry.m_folder.get(), ".", &entry.m_status, 0) == 0;
    return entry;
}
