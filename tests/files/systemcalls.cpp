#include "systemcalls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

template <typename Function> Function *next(const char *name)
{
    return reinterpret_cast<Function *>(::dlsym(RTLD_NEXT, name));
}

int sync(int fd, const char *name)
{
    struct stat status = {};
    ::fstat(fd, &status);
    {
        const std::lock_guard guard(SystemCalls::lock);
        SystemCalls::log << (S_ISDIR(status.st_mode) ? "sync folder" : "sync file");
        if (const int error = S_ISDIR(status.st_mode) ? SystemCalls::folderSyncError : SystemCalls::syncError) {
            errno = error;
            return -1;
        }
    }
    static auto *const real = next<int(int)>(name);
    return real(fd);
}

} // namespace

extern "C" int fsync(int fd)
{
    return sync(fd, "fsync");
}

extern "C" int fdatasync(int fd)
{
    return sync(fd, "fdatasync");
}

extern "C" int renameat(int oldFolder, const char *oldPath, int newFolder, const char *newPath)
{
    QByteArray name(newPath);
    name = name.mid(name.lastIndexOf('/') + 1);
    {
        const std::lock_guard guard(SystemCalls::lock);
        SystemCalls::log << "rename " + name;
        QList<int> &errors = SystemCalls::renameErrors[name];
        if (const int error = errors.isEmpty() ? 0 : errors.takeFirst()) {
            errno = error;
            return -1;
        }
    }
    static auto *const real = next<int(int, const char *, int, const char *)>("renameat");
    return real(oldFolder, oldPath, newFolder, newPath);
}

extern "C" ssize_t write(int fd, const void *buffer, size_t size)
{
    static auto *const real = next<ssize_t(int, const void *, size_t)>("write");
    ssize_t scripted = ssize_t(size);
    if (fd > 2) {
        const std::lock_guard guard(SystemCalls::lock);
        if (!SystemCalls::writes.isEmpty())
            scripted = SystemCalls::writes.takeFirst();
    }
    if (scripted < 0)
        errno = int(-scripted);
    return scripted <= 0 ? (scripted < 0 ? -1 : 0) : real(fd, buffer, std::min(size, size_t(scripted)));
}
