#include "files/stagedfile.h"

#include "files/filebytes.h"

#include <QRandomGenerator>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

constexpr char TemporaryPrefix[] = ".sedario-";
// The most of a previous target that a copy keeps; Option is one line.
constexpr qint64 CopyLimit = 1 << 20;

} // namespace

StagedFile::StagedFile(const QString &path)
    : m_path(path)
{
}

StagedFile::~StagedFile()
{
    for (const QByteArray &name : {m_temporaryName, m_keptName}) {
        if (!name.isEmpty())
            ::unlinkat(m_target->folder(), name.constData(), 0);
    }
}

FileError StagedFile::fail(int error) const
{
    return FileError::fromErrno(error, FileError::Action::Write, m_path);
}

std::optional<FileError> StagedFile::createTemporary(UniqueFd *fd, QByteArray *name) const
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *name = TemporaryPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        *fd = UniqueFd(::openat(m_target->folder(), name->constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        // The lock tells removeStaleTemporaries() that this file is in use. A
        // Save elsewhere that took it first removes the file, and may be done
        // with it before the lock is ours: a file without a name is no use.
        struct stat status = {};
        if (fd->valid() && ::flock(fd->get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(fd->get(), &status) == 0
            && status.st_nlink > 0)
            return std::nullopt;
        if (!fd->valid() && errno != EEXIST)
            break;
    }
    name->clear();
    return fail(errno);
}

void StagedFile::removeStaleTemporaries() const
{
    DIR *folder = ::fdopendir(::openat(m_target->folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder)
        return;
    while (const dirent *item = ::readdir(folder)) {
        // Only names this class makes: the prefix and a number in base 36.
        const QByteArrayView name(item->d_name);
        const QByteArrayView suffix = name.sliced(std::min<qsizetype>(name.size(), sizeof TemporaryPrefix - 1));
        if (!name.startsWith(TemporaryPrefix) || suffix.isEmpty() || suffix.size() > 13
            || !std::all_of(suffix.begin(), suffix.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z'); }))
            continue;
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        UniqueFd stale(::openat(m_target->folder(), item->d_name, O_RDONLY | flags));
        if (!stale.valid())
            stale = UniqueFd(::openat(m_target->folder(), item->d_name, O_WRONLY | flags));
        struct stat status = {};
        if (stale.valid() && ::fstat(stale.get(), &status) == 0 && S_ISREG(status.st_mode)
            && status.st_uid == ::geteuid() && ::flock(stale.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(m_target->folder(), item->d_name, 0);
    }
    ::closedir(folder);
}

std::optional<FileError> StagedFile::stage(const QByteArray &bytes)
{
    auto target = FolderEntry::find(m_path, FileError::Action::Write);
    if (!target.ok())
        return target.error();
    m_target.emplace(std::move(target.value()));
    const mode_t mode = m_target->status().st_mode;
    m_hadPrevious = m_target->exists();
    if (m_hadPrevious && S_ISDIR(mode))
        return FileError(FileError::Reason::IsDirectory, FileError::Action::Write, m_path);
    // Renaming over a device node or a pipe would not write where the user meant.
    if (m_hadPrevious && !S_ISREG(mode))
        return FileError(FileError::Reason::NotRegularFile, FileError::Action::Write, m_path);
    // A file the user may not write is not replaced either, though the folder
    // would allow it.
    if (m_hadPrevious && ::faccessat(m_target->folder(), m_target->name().constData(), W_OK, AT_EACCESS) != 0)
        return fail(errno);

    removeStaleTemporaries();
    if (auto failed = createTemporary(&m_file, &m_temporaryName))
        return failed;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(m_file.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return fail(wrote < 0 ? errno : EIO);
        done += wrote;
    }
    // The permission bits, but never set-user-ID and the like on a file that
    // now belongs to whoever saved it.
    if ((m_hadPrevious && ::fchmod(m_file.get(), mode & 0777) != 0) || ::fsync(m_file.get()) != 0)
        return fail(errno);
    return std::nullopt;
}

std::optional<FileError> StagedFile::keepPrevious()
{
    if (!m_hadPrevious)
        return std::nullopt;
    // Locked, so that a Save in another process does not take the kept link
    // for a dead temporary file.
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    m_keptLock = UniqueFd(::openat(m_target->folder(), m_target->name().constData(), O_RDONLY | flags));
    if (!m_keptLock.valid())
        m_keptLock = UniqueFd(::openat(m_target->folder(), m_target->name().constData(), O_WRONLY | flags));
    ::flock(m_keptLock.get(), LOCK_EX | LOCK_NB);
    for (int attempt = 0; attempt < 100; ++attempt) {
        m_keptName = TemporaryPrefix + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        if (::linkat(m_target->folder(), m_target->name().constData(), m_target->folder(), m_keptName.constData(), 0) == 0)
            return std::nullopt;
        if (errno != EEXIST)
            break;
    }
    m_keptName.clear();
    // No hard links here (a FAT-formatted stick): a copy serves as well.
    const auto previous = FileBytes::read(m_path, CopyLimit);
    if (!previous.ok())
        return previous.error();
    if (!previous.value().complete)
        return FileError(FileError::Reason::SystemError, FileError::Action::Write, m_path, u"文件太大，无法先留一份备份"_s);
    m_keptCopy = std::make_unique<StagedFile>(m_path);
    return m_keptCopy->stage(previous.value().data);
}

std::optional<FileError> StagedFile::commit()
{
    if (::renameat(m_target->folder(), m_temporaryName.constData(), m_target->folder(), m_target->name().constData()) != 0)
        return fail(errno);
    m_temporaryName.clear();
    return std::nullopt;
}

std::optional<FileError> StagedFile::restorePrevious()
{
    if (m_keptCopy) {
        if (auto failed = m_keptCopy->commit())
            return failed;
    } else if (m_hadPrevious) {
        if (::renameat(m_target->folder(), m_keptName.constData(), m_target->folder(), m_target->name().constData()) != 0)
            return fail(errno);
        m_keptName.clear();
    } else if (::unlinkat(m_target->folder(), m_target->name().constData(), 0) != 0) {
        return fail(errno);
    }
    return syncFolder();
}

std::optional<FileError> StagedFile::syncFolder()
{
    // A folder the user may write but not list cannot be opened to sync it,
    // and some file systems cannot sync a folder at all (EINVAL); there the
    // rename is as safe as the system makes it.
    const UniqueFd folder(::openat(m_target->folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid())
        return errno == EACCES ? std::nullopt : std::make_optional(fail(errno));
    if (::fsync(folder.get()) != 0 && errno != EINVAL)
        return fail(errno);
    return std::nullopt;
}

bool StagedFile::sameFileAs(const StagedFile &other) const
{
    struct stat mine = {}, theirs = {};
    if (::fstat(m_target->folder(), &mine) != 0 || ::fstat(other.m_target->folder(), &theirs) != 0)
        return false;
    const auto same = [](const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; };
    return (same(mine, theirs) && m_target->name() == other.m_target->name())
        || (m_hadPrevious && other.m_hadPrevious && same(m_target->status(), other.m_target->status()));
}

std::optional<FileError> StagedFile::write(const QString &path, const QByteArray &bytes)
{
    StagedFile file(path);
    if (auto failed = file.stage(bytes))
        return failed;
    if (auto failed = file.commit())
        return failed;
    if (auto failed = file.syncFolder())
        return failed->setOutcome(u"新内容已经写入，但没能确认已存到磁盘，断电后可能丢失。"_s);
    return std::nullopt;
}
