#pragma once

#include "files/fileerror.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The working files replaced together, as one Save, in a folder whose lock
// (FolderLock) the caller holds.
//
// commit() stages every file's new content (StagedFile), written, checked and
// synced, keeps a copy of each old one but the last's, and checks that no two
// names lead to one file. Then it writes and syncs the intent record
// (SaveRecord), renames (or removes) the files one right after the other in
// the order given, syncs their folders and removes the record. Should a
// rename fail, those before it are put back from the copies. A failure says
// what became of each file (SaveReport).
//
// A crash between the record and its removal leaves files of two Saves:
// recover(), at the next start-up or Save, finishes the one recorded, so the
// working files are always those of one Save.
class SaveTransaction
{
public:
    // One working file's part.
    struct Change {
        QString name;                    // its bare name in the working folder
        std::optional<QByteArray> bytes; // its new content; nothing: it is removed
        bool had = false;                // it exists before the Save
    };

    static std::optional<FileError> commit(const QString &folder, const QList<Change> &changes);

    // Whether the folder (empty: the current one) holds a record or a
    // temporary file to see to: one look at the folder, cheap enough for
    // every start-up.
    static bool pending(const QString &folder);
    // Finishes the Save that the folder's record names, if any, then removes
    // the temporary files that no Save holds. A record that cannot be
    // trusted, or whose files another Save still holds, changes nothing and
    // is returned.
    static std::optional<FileError> recover(const QString &folder);
};
