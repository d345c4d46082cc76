#include "systemcalls.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

template <typename Function> Function *next(const char *name)
{
    return reinterpret_cast<Function *>(::dlsym(RTLD_NEXT, name));
}

bool isFolder(int fd)
{
    struct stat status = {};
    return ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
}

// -1 with errno set to `error`, or what `call` gives when `error` is 0.
template <typename Call> auto failOr(int error, Call call) -> decltype(call())
{
    if (error == 0)
        return call();
    errno = error;
    return -1;
}

int sync(int fd, const char *name)
{
    const bool folder = isFolder(fd);
    {
        const std::lock_guard guard(SystemCalls::lock);
        SystemCalls::log << (folder ? "sync folder" : "sync file");
        if (const int error = folder ? SystemCalls::folderSyncError : SystemCalls::syncError) {
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

extern "C" int flock(int fd, int operation)
{
    static auto *const real = next<int(int, int)>("flock");
    char path[4096] = {};
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(fd);
    const ssize_t size = ::readlink(link.constData(), path, sizeof path - 1);
    const bool lockFile = size > 0 && QByteArray(path, size).endsWith("/.sedario.lock");
    return failOr(lockFile ? SystemCalls::folderLockError : SystemCalls::fileLockError, [&] { return real(fd, operation); });
}

extern "C" int fchown(int fd, uid_t owner, gid_t group)
{
    static auto *const real = next<int(int, uid_t, gid_t)>("fchown");
    return failOr(SystemCalls::chownError, [&] { return real(fd, owner, group); });
}

extern "C" int fsetxattr(int fd, const char *name, const void *value, size_t size, int flags)
{
    static auto *const real = next<int(int, const char *, const void *, size_t, int)>("fsetxattr");
    const int error = std::strcmp(name, "system.posix_acl_access") == 0 && SystemCalls::aclError ? SystemCalls::aclError
                                                                                                 : SystemCalls::attributesError;
    return failOr(error, [&] { return real(fd, name, value, size, flags); });
}

extern "C" int fremovexattr(int fd, const char *name)
{
    static auto *const real = next<int(int, const char *)>("fremovexattr");
    return failOr(SystemCalls::attributesError, [&] { return real(fd, name); });
}

extern "C" ssize_t getxattr(const char *path, const char *name, void *value, size_t size)
{
    static auto *const real = next<ssize_t(const char *, const char *, void *, size_t)>("getxattr");
    return failOr(SystemCalls::attributesError, [&] { return real(path, name, value, size); });
}

extern "C" ssize_t listxattr(const char *path, char *names, size_t size)
{
    static auto *const real = next<ssize_t(const char *, char *, size_t)>("listxattr");
    return failOr(SystemCalls::attributesError, [&] { return real(path, names, size); });
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
    const int renamed = real(oldFolder, oldPath, newFolder, newPath);
    if (renamed == 0 && SystemCalls::afterRename)
        SystemCalls::afterRename("rename " + name);
    return renamed;
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
