#include "ui/plainfileiconprovider.h"

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
    // The base class reads a file's content only to name a file's type.
    const auto type = fileType(info);
    if (!type)
        return QFileIconProvider::type(info);
    return type->comment().isEmpty() ? type->name() : type->comment();
}
