#include "files/saverecord.h"

#include "files/chartfiles.h"
#include "files/filebytes.h"
#include "files/folderentry.h"
#include "files/rulesfile.h"

#include <QCryptographicHash>
#include <QRegularExpression>

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

} // namespace

QString SaveRecord::path(const QString &folder)
{
    return ChartFiles::workingFilePath(folder, QString::fromLatin1(Name));
}

QByteArray SaveRecord::format(const QList<Entry> &entries)
{
    QByteArray lines = Header;
    for (const Entry &entry : entries) {
        lines += entry.name.toUtf8() + (entry.removal ? " remove " : " write ") + entry.staged + ' '
            + (entry.previous.isEmpty() ? QByteArray("-") : entry.previous) + '\n';
    }
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
    const QStringList names = {ChartFiles::OptionName, RulesFile::Name, ChartFiles::SeatListName};
    QList<Entry> entries;
    for (const QByteArray &line : bytes.sliced(Header.size(), last - Header.size()).toByteArray().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (line.isEmpty())
            continue;
        const bool removal = fields.value(1) == "remove";
        const QString name = QString::fromUtf8(fields.value(0)), previous = QString::fromLatin1(fields.value(3));
        const bool known = names.contains(name) && (removal || fields.value(1) == "write") && fields.size() == 4;
        if (!known || !(removal ? identity : staged).match(QString::fromLatin1(fields.value(2))).hasMatch()
            || !(previous == u"-" || staged.match(previous).hasMatch()))
            return untrusted(u"有一行不是本程序写的：%1"_s.arg(FileError::quoted(QString::fromUtf8(line.left(80)))));
        entries.append({name, removal, fields.value(2), previous == u"-" ? QByteArray() : fields.value(3)});
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
    if (status.st_mode & 0022)
        return untrusted(u"别的用户也能修改它"_s);
    const auto bytes = FileBytes::read(file, MaxBytes);
    if (!bytes.ok())
        return bytes.error();
    if (!bytes.value().complete)
        return untrusted(u"它太大了"_s);
    return parse(bytes.value().data, file);
}
