#pragma once

#include "files/fileerror.h"
#include "files/result.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// The intent record of a Save: the hidden file Name in the working folder,
// written and synced before the first working file is replaced and removed
// after the last, that names the staged files that are to take the working
// files' places, in the order of the renames. A Save that a crash cut short
// in between is finished from it (SaveTransaction::recover()).
//
// It is text: a first line "sedario-save 1", a line per working file,
// "<name> write <staged file> <copy of the old one> <identity of the old one>"
// or "<name> remove - <copy> <identity>", "-" for a copy or an identity there
// is none of, and a last line "sha256 <the checksum of the lines before, in
// hex>".
//
// A record is trusted only when it is a regular file, not reached through a
// link, owned by the user and writable by nobody else (where the file system
// keeps such rights at all), whole by its checksum, naming each working file
// and each staged file at most once. Anything else is UntrustedRecord, and
// must change nothing.
class SaveRecord
{
public:
    static constexpr char Name[] = ".sedario.save";

    // What becomes of one working file.
    struct Entry {
        QString name; // the working file's, in its folder: "Option"
        bool removal = false;
        QByteArray staged;   // the staged file that takes its place; nothing for a removal
        QByteArray previous; // the staged copy of the file before, or nothing when none was kept
        QByteArray was;      // the file's identity when staged (StagedFile::identity()), nothing when there was none
        friend bool operator==(const Entry &, const Entry &) = default;
    };

    static QByteArray format(const QList<Entry> &entries);
    // The entries, or UntrustedRecord (naming path) with the reason.
    static Result<QList<Entry>> parse(QByteArrayView bytes, const QString &path = {});
    // The entries of the record in `folder` (empty: the current one), none
    // where there is no record.
    static Result<QList<Entry>> read(const QString &folder);
    static QString path(const QString &folder);
};
