#include "files/filebytes.h"

#include "files/folderentry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>

Result<FileBytes> FileBytes::read(const QString &path, qint64 limit)
{
    using Reason = FileError::Reason;
    const auto fail = [&](int error) { return FileError::fromErrno(error, FileError::Action::Read, path); };
    const auto entry = FolderEntry::find(path, FileError::Action::Read);
    if (!entry.ok())
        return entry.error();
    if (!entry.value().exists())
        return FileError(entry.value().throughLink() ? Reason::DanglingLink : Reason::Missing, FileError::Action::Read, path);

    // Opening a device or a pipe can have effects of its own (a watchdog, a
    // writer waiting on the pipe), so what the walk saw is refused unopened;
    // O_NOFOLLOW and the fstat below catch whatever took its place since.
    const auto refuse = [&](mode_t mode) -> std::optional<FileError> {
        if (!S_ISREG(mode))
            return FileError(S_ISDIR(mode) ? Reason::IsDirectory : Reason::NotRegularFile, FileError::Action::Read, path);
        return std::nullopt;
    };
    if (auto refused = refuse(entry.value().status().st_mode))
        return *refused;
    const UniqueFd fd(::openat(entry.value().folder(), entry.value().name().constData(),
                               O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat status = {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0)
        return fail(errno);
    if (auto refused = refuse(status.st_mode))
        return *refused;

    // The size only sizes the first buffer: the file may grow while it is
    // read, and some files report a size of 0 and still hold text.
    FileBytes bytes;
    bytes.data.resize(std::clamp<qint64>(status.st_size + 1, 1, limit));
    qint64 total = 0;
    while (total < limit) {
        if (total == bytes.data.size())
            bytes.data.resize(std::min<qint64>(limit, 2 * total));
        const ssize_t got = ::read(fd.get(), bytes.data.data() + total, size_t(bytes.data.size() - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return fail(errno);
        if (got == 0)
            break;
        total += got;
    }
    char more = 0;
    bytes.complete = total < limit || ::read(fd.get(), &more, 1) == 0;
    bytes.data.truncate(total);
    return bytes;
}
