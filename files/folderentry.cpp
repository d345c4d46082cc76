#include "files/folderentry.h"

#include <QByteArrayList>
#include <QFile>

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

Result<FolderEntry> FolderEntry::find(const QString &path, FileError::Action action)
{
    int links = 0;
    // A name missing on the way that a link gave is the link's fault.
    const auto fail = [&](int error) {
        return error == ENOENT && links > 0 ? FileError(FileError::Reason::DanglingLink, action, path)
                                            : FileError::fromErrno(error, action, path);
    };
    const QByteArray encoded = QFile::encodeName(path);
    const auto openFolder = [](const QByteArray &parts) {
        return UniqueFd(::open(parts.startsWith('/') ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    };
    FolderEntry entry;
    entry.m_folder = openFolder(encoded);
    if (encoded.isEmpty() || !entry.m_folder.valid())
        return fail(encoded.isEmpty() ? ENOENT : errno);

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
            struct stat folder = {};
            if (::fstat(entry.m_folder.get(), &folder) != 0)
                return fail(errno);
            const bool shared = (folder.st_mode & S_ISVTX) && (folder.st_mode & S_IWOTH);
            if (shared && status.st_uid != ::geteuid() && status.st_uid != folder.st_uid)
                return FileError(FileError::Reason::LinkRefused, action, path);
            QByteArray target(PATH_MAX, '\0');
            const ssize_t size = ::readlinkat(node.get(), "", target.data(), size_t(target.size()));
            if (size < 0 || size == target.size() || ++links > 40)
                return fail(size < 0 ? errno : size == target.size() ? ENAMETOOLONG : ELOOP);
            target.truncate(size);
            if (target.startsWith('/')) {
                UniqueFd root = openFolder(target);
                if (!root.valid())
                    return fail(errno);
                entry.m_folder = std::move(root);
            }
            parts = target.split('/') + parts;
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
