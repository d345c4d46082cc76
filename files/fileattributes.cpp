#include "files/fileattributes.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QtEndian>

#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

namespace {

constexpr char AccessAcl[] = "system.posix_acl_access";

// The value of an extended attribute, empty where the file has none (or
// its file system has no such attributes), nullopt where it cannot be read.
std::optional<QByteArray> attribute(const char *file, const char *name)
{
    for (int attempt = 0; attempt < 10; ++attempt) { // another program may change it meanwhile
        const ssize_t size = ::getxattr(file, name, nullptr, 0);
        if (size < 0)
            return errno == ENODATA || errno == ENOTSUP ? std::optional(QByteArray()) : std::nullopt;
        QByteArray value(size, '\0');
        const ssize_t got = ::getxattr(file, name, value.data(), size_t(size));
        if (got >= 0)
            return value.left(got);
        if (errno != ERANGE) // ERANGE: it grew
            return std::nullopt;
    }
    return std::nullopt;
}

// The permission bits for the owning group that an ACL grants: those of its
// group entry within its mask. The kernel's format: a 4-byte version, then
// entries of a 2-byte tag, 2-byte permissions and a 4-byte id, little-endian.
mode_t groupBits(const QByteArray &acl)
{
    unsigned group = 0, mask = 7;
    for (qsizetype at = 4; at + 8 <= acl.size(); at += 8) {
        const auto tag = qFromLittleEndian<quint16>(acl.constData() + at);
        const auto permissions = qFromLittleEndian<quint16>(acl.constData() + at + 2);
        if (tag == 0x04) // ACL_GROUP_OBJ
            group = permissions;
        else if (tag == 0x10) // ACL_MASK
            mask = permissions;
    }
    return mode_t((group & mask & 7) << 3);
}

// The user.* attributes, which only say something about the file and grant
// nothing: where they cannot all be listed, they are left out.
void copyUserAttributes(const char *from, int to)
{
    const ssize_t wanted = ::listxattr(from, nullptr, 0);
    QByteArray names(std::max<ssize_t>(wanted, 0), '\0');
    names.truncate(std::max<ssize_t>(wanted > 0 ? ::listxattr(from, names.data(), size_t(names.size())) : 0, 0));
    for (const QByteArray &name : names.split('\0')) {
        const auto value = name.startsWith("user.") ? attribute(from, name.constData()) : std::nullopt;
        if (value)
            ::fsetxattr(to, name.constData(), value->constData(), size_t(value->size()), 0);
    }
}

} // namespace

bool FileAttributes::copy(int from, const struct stat &old, int to)
{
    // The file itself, whatever kind of descriptor `from` is.
    const QByteArray source = "/proc/self/fd/" + QByteArray::number(from);
    // An ACL the new file took from its folder's default ACL is not the old
    // file's, and may grant what the old file did not.
    if (::fremovexattr(to, AccessAcl) != 0 && errno != ENODATA && errno != ENOTSUP)
        return false;
    // Root may give the file back to its owner; anyone, to a group of theirs.
    struct stat now = {};
    const bool groupKept = ::fchown(to, old.st_uid, old.st_gid) == 0 || ::fchown(to, uid_t(-1), old.st_gid) == 0
        || (::fstat(to, &now) == 0 && now.st_gid == old.st_gid);
    const auto acl = attribute(source.constData(), AccessAcl);
    // Without its group, or where what the old ACL granted is not known, the
    // group gets nothing.
    const mode_t mode = (old.st_mode & 0777) & (groupKept && acl ? 0777 : 0707);
    if (::fchmod(to, mode) != 0)
        return false;
    // The ACL's group entries are the old group's: without that group, the
    // ACL is left out. Without its ACL, the owning group gets what the ACL
    // let it have, and named users and groups nothing.
    const bool aclKept = !acl || acl->isEmpty() || (groupKept && ::fsetxattr(to, AccessAcl, acl->constData(), size_t(acl->size()), 0) == 0);
    if (!aclKept && groupKept && ::fchmod(to, (mode & 0707) | groupBits(*acl)) != 0)
        return false;
    copyUserAttributes(source.constData(), to);
    return true;
}
