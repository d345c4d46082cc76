#include "files/stagedfile.h"

#include "files/fileattributes.h"
#include "files/filebytes.h"
#include "files/saverecord.h"

#include <QRandomGenerator>
#include <QRegularExpression>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

// The most of a previous target that keepPrevious() copies: Option is a line,
// and the rules file is read only up to as much (RulesFile::ReadLimit).
constexpr qint64 KeepLimit = 1 << 20;

} // namespace

StagedFile::StagedFile(const QString &path) : m_path(path) {}

StagedFile::~StagedFile()
{
    if (!m_temporaryName.isEmpty())
        ::unlinkat(m_target->folder(), m_temporaryName.constData(), 0);
}

FileError StagedFile::fail(int error) const
{
    return FileError::fromErrno(error, FileError::Action::Write, m_path).setOutcome(untouched());
}

QString StagedFile::untouched() const
{
    return m_target && m_target->exists() && S_ISREG(m_target->status().st_mode) ? u"原有文件保持不变。"_s : u"没有写入任何文件。"_s;
}

bool StagedFile::isTemporaryName(const QByteArray &name)
{
    static const QRegularExpression ours(u"^\\.sedario-[0-9a-z]{1,13}$"_s);
    return ours.match(QString::fromLatin1(name)).hasMatch();
}

void StagedFile::removeStaleTemporaries(int folder)
{
    // The staged files of a Save that a crash cut short stay until its
    // record has been seen to, whatever else writes in the folder.
    if (::faccessat(folder, SaveRecord::Name, F_OK, AT_SYMLINK_NOFOLLOW) == 0)
        return;
    DIR *listing = ::fdopendir(::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (const dirent *item = listing ? ::readdir(listing) : nullptr) {
        if (!isTemporaryName(item->d_name))
            continue;
        // A temporary file is locked for as long as its Save runs.
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        UniqueFd stale(::openat(folder, item->d_name, O_RDONLY | flags));
        if (!stale.valid()) // write-only, as its target was
            stale = UniqueFd(::openat(folder, item->d_name, O_WRONLY | flags));
        struct stat status = {};
        if (stale.valid() && ::fstat(stale.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()
            && ::flock(stale.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(folder, item->d_name, 0);
    }
    if (listing)
        ::closedir(listing);
}

std::optional<FileError> StagedFile::findTarget()
{
    auto target = FolderEntry::find(m_path, FileError::Action::Write);
    if (!target.ok())
        return FileError(target.error()).setOutcome(untouched());
    m_target.emplace(std::move(target.value()));
    m_identity = identityNow();
    const struct stat &old = m_target->status();
    // Renaming over a folder, a device or a pipe would not write where the
    // user meant; nor is a file replaced (or removed) that the user may not
    // write.
    if (m_target->exists() && !S_ISREG(old.st_mode))
        return FileError::notRegular(old.st_mode, FileError::Action::Write, m_path).setOutcome(untouched());
    if (m_target->exists() && ::faccessat(m_target->folder(), m_target->name().constData(), W_OK, AT_EACCESS) != 0)
        return fail(errno);
    return std::nullopt;
}

std::optional<FileError> StagedFile::stage(const QByteArray &bytes, bool ownerOnly)
{
    if (auto failed = findTarget())
        return failed;
    const struct stat &old = m_target->status();
    removeStaleTemporaries(m_target->folder());
    if (auto failed = create(ownerOnly))
        return failed;
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(m_file.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote <= 0 && !(wrote < 0 && errno == EINTR))
            return fail(wrote < 0 ? errno : EIO);
        done += std::max<ssize_t>(wrote, 0);
    }
    if ((m_target->exists() && !FileAttributes::copy(m_target->node(), old, m_file.get())) || ::fsync(m_file.get()) != 0)
        return fail(errno);
    return std::nullopt;
}

std::optional<FileError> StagedFile::create(bool ownerOnly)
{
    // Nobody else may read the new content before it has the old file's
    // rights.
    const mode_t mode = m_target->exists() || ownerOnly ? 0600 : 0666;
    for (int attempt = 0; attempt < MaxAttempts; ++attempt) {
        const QByteArray name = ".sedario-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        UniqueFd file(::openat(m_target->folder(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode));
        if (!file.valid() && errno == EEXIST)
            continue;
        if (!file.valid())
            return fail(errno);
        // Another Save's removeStaleTemporaries() may take a new file for a
        // stale one, lock it and remove it before the lock is ours: a file is
        // ours once it is locked and still has its name. Where the file system
        // has no locks, no Save removes another's files, and no lock is needed.
        const bool locked = ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 || withoutLocks(errno);
        struct stat status = {};
        if (locked && ::fstat(file.get(), &status) == 0 && status.st_nlink > 0) {
            m_file = std::move(file);
            m_temporaryName = name;
            return std::nullopt;
        }
        ::unlinkat(m_target->folder(), name.constData(), 0); // never left behind, if it is still there
    }
    return FileError(FileError::Reason::SystemError, FileError::Action::Write, m_path, u"无法在同一文件夹里建立临时文件"_s)
        .setOutcome(untouched());
}

bool StagedFile::withoutLocks(int error)
{
    return error == ENOLCK || error == EOPNOTSUPP || error == ENOSYS;
}

std::optional<FileError> StagedFile::keepPrevious()
{
    if (!m_target->exists())
        return std::nullopt;
    const auto previous = FileBytes::read(m_path, KeepLimit);
    if (!previous.ok())
        return previous.error();
    if (!previous.value().complete)
        return FileError(FileError::Reason::SystemError, FileError::Action::Write, m_path, u"文件太大，无法先留一份备份"_s);
    m_previous = std::make_unique<StagedFile>(m_path);
    return m_previous->stage(previous.value().data);
}

std::optional<FileError> StagedFile::stageRemoval()
{
    if (auto failed = findTarget())
        return failed;
    m_removal = m_removing = true;
    return keepPrevious();
}

std::optional<FileError> StagedFile::commit()
{
    if (m_removing) {
        if (::unlinkat(m_target->folder(), m_target->name().constData(), 0) != 0 && errno != ENOENT)
            return fail(errno);
        m_removing = false;
        return std::nullopt;
    }
    if (m_temporaryName.isEmpty()) // committed already, or nothing to remove
        return std::nullopt;
    if (::renameat(m_target->folder(), m_temporaryName.constData(), m_target->folder(), m_target->name().constData()) != 0)
        return fail(errno);
    m_temporaryName.clear();
    return std::nullopt;
}

std::optional<FileError> StagedFile::restorePrevious()
{
    if (m_previous) {
        if (auto failed = m_previous->commit())
            return failed;
    } else if (!m_removal && ::unlinkat(m_target->folder(), m_target->name().constData(), 0) != 0 && errno != ENOENT) {
        return fail(errno);
    }
    return syncFolder();
}

QByteArray StagedFile::identityNow() const
{
    struct stat status = {};
    if (::fstatat(m_target->folder(), m_target->name().constData(), &status, AT_SYMLINK_NOFOLLOW) != 0)
        return {};
    return QByteArray::number(quint64(status.st_dev)) + ':' + QByteArray::number(quint64(status.st_ino)) + ':'
        + QByteArray::number(qint64(status.st_ctim.tv_sec) * 1'000'000'000 + status.st_ctim.tv_nsec);
}

bool StagedFile::changedMeanwhile() const
{
    return (m_removing || !m_temporaryName.isEmpty()) && identityNow() != m_identity;
}

std::optional<FileError> StagedFile::resume(bool removal, const QByteArray &staged, const QByteArray &previous, const QByteArray &was)
{
    if (auto failed = findTarget())
        return failed;
    // A target that is not what it was when the Save staged it was
    // replaced by the Save already, or changed by someone since: either
    // way there is nothing left to do for it.
    m_removal = removal;
    m_removing = removal && m_identity == was;
    if (!removal && m_identity == was) {
        if (auto failed = take(staged))
            return failed;
    }
    if (previous.isEmpty())
        return std::nullopt;
    m_previous = std::make_unique<StagedFile>(m_path);
    auto failed = m_previous->findTarget();
    return failed ? failed : m_previous->take(previous);
}

std::optional<FileError> StagedFile::take(const QByteArray &name)
{
    const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    UniqueFd file(::openat(m_target->folder(), name.constData(), O_RDONLY | flags));
    if (!file.valid() && errno == EACCES) // write-only, as its target was
        file = UniqueFd(::openat(m_target->folder(), name.constData(), O_WRONLY | flags));
    if (!file.valid() && errno == ENOENT)
        return std::nullopt;
    struct stat status = {};
    if ((!file.valid() && errno != ELOOP) || (file.valid() && ::fstat(file.get(), &status) != 0))
        return fail(errno);
    // A link, or a second name of another file, is no staged file.
    if (!file.valid() || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() || status.st_nlink != 1)
        return FileError(FileError::Reason::UntrustedRecord, FileError::Action::Write, m_path,
                         u"它要用来替换的%1不是本程序的临时文件"_s.arg(FileError::quoted(QString::fromLatin1(name))));
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0 && !withoutLocks(errno))
        return FileError(FileError::Reason::Busy, FileError::Action::Write, m_path);
    m_file = std::move(file);
    m_temporaryName = name;
    return std::nullopt;
}

void StagedFile::release()
{
    m_temporaryName.clear();
    m_removing = false;
    if (m_previous)
        m_previous->release();
}

std::optional<FileError> StagedFile::syncFolder()
{
    // A folder the user may write but not list cannot be opened to sync it,
    // and some file systems cannot sync a folder at all (EINVAL); there the
    // rename is as safe as the system makes it.
    const UniqueFd folder(::openat(m_target->folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if ((!folder.valid() && errno != EACCES) || (folder.valid() && ::fsync(folder.get()) != 0 && errno != EINVAL))
        return fail(errno);
    return std::nullopt;
}

bool StagedFile::sameFileAs(const StagedFile &other) const
{
    struct stat mine = {}, theirs = {};
    const auto same = [](const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; };
    if (m_target->exists() && other.m_target->exists())
        return same(m_target->status(), other.m_target->status());
    return ::fstat(m_target->folder(), &mine) == 0 && ::fstat(other.m_target->folder(), &theirs) == 0 && same(mine, theirs)
        && m_target->name() == other.m_target->name();
}

std::optional<FileError> StagedFile::check(const QString &path)
{
    return StagedFile(path).findTarget();
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
