#include "files/fileattributes.h"

#include <QByteArray>
#include <QByteArrayList>

#include <sys/xattr.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace {

constexpr char AccessAcl[] = "system.posix_acl_access";

// The value of an extended attribute, or a null array.
QByteArray attribute(const char *file, const char *name)
{
    for (ssize_t size = ::getxattr(file, name, nullptr, 0); size >= 0;) {
        QByteArray value(size, '\0');
        const ssize_t got = ::getxattr(file, name, value.data(), size_t(size));
        if (got == size)
            return value.isNull() ? QByteArray("") : value;
        size = got < 0 && errno == ERANGE ? ::getxattr(file, name, nullptr, 0) : -1; // it grew meanwhile
    }
    return QByteArray();
}

// The permission bits for the owning group that an ACL grants: those of its
// group entry within its mask. The kernel's format: a 4-byte version, then
// entries of a 2-byte tag, 2-byte permissions and a 4-byte id.
mode_t groupBits(const QByteArray &acl)
{
    unsigned group = 0, mask = 7;
    for (qsizetype at = 4; at + 8 <= acl.size(); at += 8) {
        std::uint16_t tag = 0, permissions = 0;
        std::memcpy(&tag, acl.constData() + at, 2);
        std::memcpy(&permissions, acl.constData() + at + 2, 2);
        if (tag == 0x04) // ACL_GROUP_OBJ
            group = permissions;
        else if (tag == 0x10) // ACL_MASK
            mask = permissions;
    }
    return mode_t((group & mask & 7) << 3);
}

} // namespace

bool FileAttributes::copy(int from, const struct stat &old, int to)
{
    // The file itself, whatever kind of descriptor `from` is.
    const QByteArray source = "/proc/self/fd/" + QByteArray::number(from);
    mode_t mode = old.st_mode & 0777;
    struct stat now = {};
    const bool groupKept = ::fchown(to, -1, old.st_gid) == 0 || (::fstat(to, &now) == 0 && now.st_gid == old.st_gid);
    if (!groupKept)
        mode &= ~mode_t(070);
    if (::fchmod(to, mode) != 0)
        return false;

    const ssize_t wanted = ::listxattr(source.constData(), nullptr, 0);
    QByteArray names(std::max<ssize_t>(wanted, 0), '\0');
    const ssize_t size = wanted > 0 ? ::listxattr(source.constData(), names.data(), size_t(names.size())) : wanted;
    if (size < 0 && errno != ENOTSUP) // what the old file grants is not known: the group gets nothing
        return ::fchmod(to, mode & ~mode_t(070)) == 0;
    bool hadAcl = false;
    for (const QByteArray &name : names.split('\0')) {
        const QByteArray value = name.isEmpty() ? QByteArray() : attribute(source.constData(), name.constData());
        if (value.isNull() || (name != AccessAcl && !name.startsWith("user.")))
            continue;
        hadAcl = hadAcl || name == AccessAcl;
        const bool set = (groupKept || name != AccessAcl)
            && ::fsetxattr(to, name.constData(), value.constData(), size_t(value.size()), 0) == 0;
        if (!set && name == AccessAcl && ::fchmod(to, (mode & ~mode_t(070)) | (groupKept ? groupBits(value) : 0)) != 0)
            return false;
    }
    // An ACL the new file took from its folder's default ACL is not the old
    // file's.
    if (!hadAcl)
        ::fremovexattr(to, AccessAcl);
    return true;
}
