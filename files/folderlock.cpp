#include "files/folderlock.h"

#include "files/nativepath.h"

#include <QElapsedTimer>
#include <QThread>

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>

Result<FolderLock> FolderLock::take(const QString &folder, const QString &path, std::chrono::milliseconds wait)
{
    FolderLock lock;
    lock.m_folder = UniqueFd(::open(folder.isEmpty() ? "." : NativePath::encode(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    QElapsedTimer waited;
    waited.start();
    while (lock.m_folder.valid() && ::flock(lock.m_folder.get(), LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) // no locks here, or none to be had: go on unlocked
            return lock;
        if (waited.elapsed() >= wait.count())
            return FileError(FileError::Reason::Busy, FileError::Action::Write, path);
        QThread::msleep(20);
    }
    return lock;
}
