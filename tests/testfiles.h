#pragma once

// Small helpers shared by the tests that work with real files.

#include "files/nativepath.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <cstdio>

// `path` as NativePath has it: a name may be one that is not UTF-8.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    std::FILE *file = std::fopen(NativePath::encode(path).constData(), "wb");
    const bool written = file && std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file) == size_t(bytes.size());
    return file && std::fclose(file) == 0 && written;
}

// The whole content of a file; nothing when it cannot be read.
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Lines joined with CR LF after every line, the last included.
inline QByteArray crlfLines(const QList<QByteArray> &lines)
{
    QByteArray bytes;
    for (const QByteArray &line : lines)
        bytes += line + "\r\n";
    return bytes;
}

// A list of `count` lines "<prefix>0", "<prefix>1", ... with CR LF.
inline QByteArray numberedLines(int count, const QByteArray &prefix = "n")
{
    QByteArray bytes;
    for (int n = 0; n < count; ++n)
        bytes += prefix + QByteArray::number(n) + "\r\n";
    return bytes;
}

// The names of numberedLines(count).
inline QStringList numberedNames(int count, const QString &prefix = QStringLiteral("n"))
{
    QStringList names;
    for (int n = 0; n < count; ++n)
        names << prefix + QString::number(n);
    return names;
}
