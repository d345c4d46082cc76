#include "ui/plainfileiconprovider.h"

#include <QGuiApplication>

std::optional<QMimeType> PlainFileIconProvider::fileType(const QFileInfo &info) const
{
    if (!info.isFile())
        return std::nullopt;
    return m_types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
}

QIcon PlainFileIconProvider::icon(const QFileInfo &info) const
{
    const auto type = fileType(info);
    if (!type)
        return icon(info.isDir() ? Folder : File);
    return QIcon::fromTheme(type->iconName(), QIcon::fromTheme(type->genericIconName(), icon(File)));
}

QString PlainFileIconProvider::type(const QFileInfo &info) const
{
    // Never the base class: it looks at the kind again, and reads the content
    // of whatever is a file by then, which may have become a pipe once more.
    // The words are the base class's own, in its translations.
    const auto translated = [](const char *text, const char *comment = nullptr) {
        return QGuiApplication::translate("QAbstractFileIconProvider", text, comment);
    };
    if (info.isRoot())
        return translated("Drive");
    if (const auto type = fileType(info))
        return type->comment().isEmpty() ? type->name() : type->comment();
    if (info.isDir())
        return translated("Folder", "All other platforms");
    return translated(info.isSymLink() ? "Shortcut" : "Unknown", info.isSymLink() ? "All other platforms" : nullptr);
}
