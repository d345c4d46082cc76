#include "files/saverecord.h"

#include "files/chartfiles.h"
#include "files/filebytes.h"
#include "files/folderentry.h"
#include "files/rulesfile.h"

#include <QCryptographicHash>
#include <QRegularExpression>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QByteArray Header = "sedario-save 1\n";
// The record is a few lines; anything larger is no record of the program's.
constexpr qint64 MaxBytes = 4096;

QByteArray checksum(QByteArrayView lines)
{
    return "sha256 " + QCryptographicHash::hash(lines, QCryptographicHash::Sha256).toHex() + '\n';
}

// False where the file system keeps no rights (an NTFS or FAT stick, where
// every file shows as writable by everyone and chmod changes nothing): there
// the record is as safe as the working files beside it, and its owner alone
// decides. Found by trying to take the rights away, and giving them back.
bool keepsRights(const FolderEntry &record)
{
    const UniqueFd file(::openat(record.folder(), record.name().constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat after = {};
    const mode_t before = record.status().st_mode & 07777;
    if (!file.valid() || ::fchmod(file.get(), before & ~0022) != 0 || ::fstat(file.get(), &after) != 0)
        return true;
    ::fchmod(file.get(), before);
    return (after.st_mode & 0022) == 0;
}

} // namespace

QString SaveRecord::path(const QString &folder)
{
    return ChartFiles::workingFilePath(folder, QString::fromLatin1(Name));
}

QByteArray SaveRecord::format(const QList<Entry> &entries)
{
    const auto field = [](const QByteArray &value) -> QByteArray { return ' ' + (value.isEmpty() ? QByteArray("-") : value); };
    QByteArray lines = Header;
    for (const Entry &entry : entries)
        lines += entry.name.toUtf8() + (entry.removal ? " remove" : " write") + field(entry.staged) + field(entry.previous)
            + field(entry.was) + '\n';
    return lines + checksum(lines);
}

Result<QList<SaveRecord::Entry>> SaveRecord::parse(QByteArrayView bytes, const QString &path)
{
    const auto untrusted = [&](const QString &why) {
        return FileError(FileError::Reason::UntrustedRecord, FileError::Action::Read, path, why);
    };
    const qsizetype last = bytes.endsWith('\n') ? bytes.chopped(1).lastIndexOf('\n') + 1 : 0;
    if (!bytes.startsWith(Header) || last < Header.size() || bytes.sliced(last) != checksum(bytes.first(last)))
        return untrusted(u"内容不完整或已经损坏"_s);
    static const QRegularExpression staged(u"^\\.sedario-[0-9a-z]{1,13}$"_s), identity(u"^[0-9]+:[0-9]+:[0-9]+$"_s);
    const auto is = [](const QRegularExpression &form, const QByteArray &field) {
        return form.match(QString::fromLatin1(field)).hasMatch();
    };
    const auto value = [](const QByteArray &field) { return field == "-" ? QByteArray() : field; };
    QStringList names = {ChartFiles::OptionName, RulesFile::Name, ChartFiles::SeatListName};
    QList<QByteArray> files;
    QList<Entry> entries;
    for (const QByteArray &line : bytes.sliced(Header.size(), last - Header.size()).toByteArray().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (line.isEmpty())
            continue;
        const bool removal = fields.value(1) == "remove";
        // Each working file once, each staged file once, named as a Save names them.
        const bool known = fields.size() == 5 && names.removeOne(QString::fromUtf8(fields.at(0))) && (removal || fields.at(1) == "write")
            && (removal ? fields.at(2) == "-" && is(identity, fields.at(4)) : is(staged, fields.at(2)) && !files.contains(fields.at(2)))
            && (fields.at(3) == "-" || (is(staged, fields.at(3)) && !files.contains(fields.at(3)) && fields.at(3) != fields.at(2)))
            && (fields.at(4) == "-" || is(identity, fields.at(4)));
        if (!known)
            return untrusted(u"有一行不是本程序写的：%1"_s.arg(FileError::quoted(QString::fromUtf8(line.left(80)))));
        files << fields.at(2) << fields.at(3);
        entries.append({QString::fromUtf8(fields.at(0)), removal, value(fields.at(2)), value(fields.at(3)), value(fields.at(4))});
    }
    return entries;
}

Result<QList<SaveRecord::Entry>> SaveRecord::read(const QString &folder)
{
    const QString file = path(folder);
    const auto entry = FolderEntry::find(file, FileError::Action::Read);
    if (!entry.ok())
        return entry.error();
    if (!entry.value().exists())
        return QList<Entry>();
    // Someone else's record, or one that someone else may change, could
    // make a Save put any of the user's files in a working file's place.
    const struct stat &status = entry.value().status();
    const auto untrusted = [&](const QString &why) {
        return FileError(FileError::Reason::UntrustedRecord, FileError::Action::Read, file, why);
    };
    if (entry.value().throughLink())
        return untrusted(u"它是一个符号链接"_s);
    if (!S_ISREG(status.st_mode))
        return untrusted(u"它不是普通文件"_s);
    if (status.st_uid != ::geteuid())
        return untrusted(u"它属于另一个用户"_s);
    if ((status.st_mode & 0022) && keepsRights(entry.value()))
        return untrusted(u"别的用户也能修改它"_s);
    const auto bytes = FileBytes::read(file, MaxBytes);
    if (!bytes.ok())
        return bytes.error();
    if (!bytes.value().complete)
        return untrusted(u"它太大了"_s);
    return parse(bytes.value().data, file);
}
