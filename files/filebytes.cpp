#include "files/filebytes.h"

#include "files/folderentry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

Result<FileBytes> FileBytes::read(const QString &path, qint64 limit)
{
    const auto fail = [&](int error) { return FileError::fromErrno(error, FileError::Action::Read, path); };
    const auto entry = FolderEntry::find(path, FileError::Action::Read);
    if (!entry.ok())
        return entry.error();
    if (!entry.value().exists())
        return FolderEntry::missing(path, FileError::Action::Read, entry.value().throughLink());
    // Opening a device or a pipe can have effects of its own (a watchdog, a
    // writer waiting on the pipe), so what the walk saw is refused unopened.
    // What took its place since is caught on the descriptor: O_NOFOLLOW for a
    // link, O_NONBLOCK so that a pipe cannot block, then fstat.
    if (!S_ISREG(entry.value().status().st_mode))
        return FileError::notRegular(entry.value().status().st_mode, FileError::Action::Read, path);
    const UniqueFd fd(
        ::openat(entry.value().folder(), entry.value().name().constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC));
    struct stat status = {};
    if (!fd.valid() || ::fstat(fd.get(), &status) != 0)
        return fail(errno);
    if (!S_ISREG(status.st_mode))
        return FileError::notRegular(status.st_mode, FileError::Action::Read, path);

    // Read to the end or to the limit, whatever the size said: the file may
    // grow while it is read. The buffer's pages cost memory only once read.
    FileBytes bytes;
    bytes.data.resize(limit);
    qint64 total = 0;
    for (ssize_t got = 1; got != 0 && total < limit; total += std::max<ssize_t>(got, 0)) {
        got = ::read(fd.get(), bytes.data.data() + total, size_t(limit - total));
        if (got < 0 && errno != EINTR)
            return fail(errno);
    }
    char more = 0;
    bytes.complete = total < limit || ::read(fd.get(), &more, 1) == 0;
    bytes.data.truncate(total);
    return bytes;
}
