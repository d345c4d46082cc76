#include "files/folderlock.h"

#include "files/nativepath.h"

#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {

// The lock file, or an invalid descriptor where it is not safe to lock.
UniqueFd openLockFile(const QString &folder)
{
    const QByteArray path = (folder.isEmpty() ? QByteArray(".") : NativePath::encode(folder)) + '/' + FolderLock::LockName;
    // Read-only is enough for flock; O_NONBLOCK, as a pipe may stand there.
    UniqueFd file(::open(path.constData(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0660));
    struct stat status = {};
    if (!file.valid() || ::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return UniqueFd();
    const bool ours = status.st_uid == ::geteuid();
    if ((status.st_mode & 0007) && !(ours && ::fchmod(file.get(), status.st_mode & 0770) == 0))
        return UniqueFd();
    return file;
}

} // namespace

Result<FolderLock> FolderLock::take(const QString &folder, const QString &path, std::chrono::milliseconds wait)
{
    FolderLock lock;
    lock.m_file = openLockFile(folder);
    QElapsedTimer waited;
    waited.start();
    while (lock.m_file.valid() && ::flock(lock.m_file.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) // no locks here, or none to be had: go on unlocked
            return lock;
        if (waited.elapsed() >= wait.count())
            return FileError(FileError::Reason::Busy, FileError::Action::Write, path);
        QThread::msleep(20);
    }
    return lock;
}
