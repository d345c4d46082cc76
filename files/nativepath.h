#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

class QUrl;

// A path as the system gives it, bytes, held in a QString without losing a
// byte: what is valid UTF-8 reads as its characters, and a byte that is not
// (a GBK name unpacked from a Windows archive, say) is kept as the lone
// surrogate U+DC80 + byte, so that encode(decode(bytes)) == bytes for any
// bytes. A path without such bytes is plain text, as QFile has it.
class NativePath
{
public:
    static QString decode(QByteArrayView bytes);
    static QByteArray encode(QStringView path);

    // The path as the teacher reads it: each byte that decode() kept shows as
    // U+FFFD.
    static QString shown(QStringView path);

    // The path of a file: URL on this computer (no host, "localhost" or the
    // computer's own name), percent-encoded bytes and all; nullopt for a file
    // on another one.
    static std::optional<QString> fromUrl(const QUrl &url);
};
