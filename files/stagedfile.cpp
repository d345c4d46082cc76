#include "files/stagedfile.h"

#include "files/filebytes.h"

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

// The most of a previous target that keepPrevious() copies; Option is a line.
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
    return FileError::fromErrno(error, FileError::Action::Write, m_path);
}

void StagedFile::removeStaleTemporaries() const
{
    static const QRegularExpression ours(u"^\\.sedario-[0-9a-z]{1,13}$"_s);
    DIR *folder = ::fdopendir(::openat(m_target->folder(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    while (const dirent *item = folder ? ::readdir(folder) : nullptr) {
        if (!ours.match(QString::fromLatin1(item->d_name)).hasMatch())
            continue;
        // A temporary file is locked for as long as its Save runs.
        const int flags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
        UniqueFd stale(::openat(m_target->folder(), item->d_name, O_RDONLY | flags));
        if (!stale.valid()) // write-only, as its target was
            stale = UniqueFd(::openat(m_target->folder(), item->d_name, O_WRONLY | flags));
        struct stat status = {};
        if (stale.valid() && ::fstat(stale.get(), &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()
            && ::flock(stale.get(), LOCK_EX | LOCK_NB) == 0)
            ::unlinkat(m_target->folder(), item->d_name, 0);
    }
    if (folder)
        ::closedir(folder);
}

std::optional<FileError> StagedFile::stage(const QByteArray &bytes)
{
    auto target = FolderEntry::find(m_path, FileError::Action::Write);
    if (!target.ok())
        return target.error();
    m_target.emplace(std::move(target.value()));
    const mode_t mode = m_target->status().st_mode;
    // Renaming over a folder, a device or a pipe would not write where the
    // user meant; nor is a file replaced that the user may not write.
    if (m_target->exists() && !S_ISREG(mode))
        return FileError::notRegular(mode, FileError::Action::Write, m_path);
    if (m_target->exists() && ::faccessat(m_target->folder(), m_target->name().constData(), W_OK, AT_EACCESS) != 0)
        return fail(errno);

    removeStaleTemporaries();
    for (int attempt = 0; !m_file.valid(); ++attempt) {
        const QByteArray name = ".sedario-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
        UniqueFd file(::openat(m_target->folder(), name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
        if (!file.valid() && (errno != EEXIST || attempt == 100))
            return fail(errno);
        // Another Save's removeStaleTemporaries() may have taken the new file
        // for a stale one and be done with it before the lock is ours: one
        // without a name is no use.
        struct stat status = {};
        if (file.valid() && ::flock(file.get(), LOCK_EX | LOCK_NB) == 0 && ::fstat(file.get(), &status) == 0 && status.st_nlink > 0) {
            m_file = std::move(file);
            m_temporaryName = name;
        }
    }
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(m_file.get(), bytes.constData() + done, size_t(bytes.size() - done));
        if (wrote <= 0 && !(wrote < 0 && errno == EINTR))
            return fail(wrote < 0 ? errno : EIO);
        done += std::max<ssize_t>(wrote, 0);
    }
    // The permission bits stay, but not set-user-ID and the like on a file
    // that now belongs to whoever saved it.
    if ((m_target->exists() && ::fchmod(m_file.get(), mode & 0777) != 0) || ::fsync(m_file.get()) != 0)
        return fail(errno);
    return std::nullopt;
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

std::optional<FileError> StagedFile::commit()
{
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
