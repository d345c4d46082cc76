#include "files/nativepath.h"

#include <QUrl>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

constexpr char16_t Kept = 0xDC00; // + the byte, 0x80..0xFF

// The length of the valid UTF-8 sequence at bytes[i], or 0: no overlong
// forms, no surrogates, nothing above U+10FFFF.
qsizetype sequenceAt(QByteArrayView bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u; };
    const unsigned lead = at(i);
    const qsizetype length = lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3 : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
    // The second byte's range depends on the lead; the others are 80..BF.
    const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (length == 0 || at(i + 1) < low || at(i + 1) > high)
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (at(i + k) < 0x80 || at(i + k) > 0xBF)
            return 0;
    }
    return length;
}

// Whether path[i] is a byte that decode() kept, rather than half of a pair.
bool isKept(QStringView path, qsizetype i)
{
    const char16_t c = path[i].unicode();
    return c >= Kept + 0x80 && c <= Kept + 0xFF && !(i > 0 && path[i - 1].isHighSurrogate());
}

} // namespace

QString NativePath::decode(QByteArrayView bytes)
{
    QString path;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        const qsizetype length = byte < 0x80 ? 1 : sequenceAt(bytes, i);
        if (length == 0) {
            path += QChar(char16_t(Kept + byte));
            ++i;
        } else {
            path += QString::fromUtf8(bytes.sliced(i, length));
            i += length;
        }
    }
    return path;
}

QByteArray NativePath::encode(QStringView path)
{
    QByteArray bytes;
    qsizetype begin = 0; // of the text not yet encoded
    for (qsizetype i = 0; i < path.size(); ++i) {
        if (isKept(path, i)) {
            bytes += path.sliced(begin, i - begin).toUtf8();
            bytes += char(path[i].unicode() - Kept);
            begin = i + 1;
        }
    }
    return bytes + path.sliced(begin).toUtf8();
}

QString NativePath::shown(QStringView path)
{
    QString text = path.toString();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isKept(path, i))
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

std::optional<QString> NativePath::fromUrl(const QUrl &url)
{
    const QString host = url.host();
    char name[256] = {};
    const bool named = ::gethostname(name, sizeof name - 1) == 0;
    const bool here = host.isEmpty() || host.compare(u"localhost", Qt::CaseInsensitive) == 0
        || (named && host.compare(QString::fromUtf8(name), Qt::CaseInsensitive) == 0);
    if (!url.isLocalFile() || !here)
        return std::nullopt;
    return decode(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}
