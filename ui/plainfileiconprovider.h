#pragma once

#include <QFileIconProvider>
#include <QMimeDatabase>

#include <optional>

// The file dialogs' icons and type names, decided by a file's name and by
// the kind of file its QFileInfo says it is, never by its content, and
// without any function of the base classes that could open a file. Qt's own
// provider reads the start of every file it lists to guess its type: a file
// that another program has just replaced by a pipe blocks that read for
// good, and on a network folder every file listed is read over the network.
class PlainFileIconProvider : public QFileIconProvider
{
public:
    using QFileIconProvider::icon;
    QIcon icon(const QFileInfo &info) const override;
    QString type(const QFileInfo &info) const override;

private:
    // Nullopt for anything but a file, which is named by its kind.
    std::optional<QMimeType> fileType(const QFileInfo &info) const;

    QMimeDatabase m_types;
};
