#include "files/textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>

namespace {

// Code page 936 writes the euro sign as the single byte 0x80; GB18030 gives it
// the two bytes A2 E3 and leaves 0x80 unassigned. Both read as the euro sign.
constexpr char16_t Euro = u'\u20AC';
constexpr char EuroByte = '\x80';

// Stateless: a sequence cut short at the end is an error, not left pending.
constexpr auto Strict = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

} // namespace

QByteArray TextCodec::encode(QStringView text)
{
    QStringEncoder encoder("GB18030", Strict);
    QByteArray bytes;
    bytes.reserve(2 * text.size());
    for (const QStringView part : text.tokenize(Euro)) {
        // tokenize() drops nothing: a part ends where a euro sign stood, but
        // for the last.
        bytes += QByteArray(encoder.encode(part));
        if (part.end() != text.end())
            bytes += EuroByte;
    }
    return bytes;
}

std::optional<QString> TextCodec::decodeGb18030(QByteArrayView bytes)
{
    // 0x80 is the euro sign only where a character begins: it may also be the
    // second byte of a two-byte character (81 80 is 亐).
    QString text;
    qsizetype begin = 0;
    const auto decodeUpTo = [&](qsizetype end) {
        QStringDecoder decoder("GB18030", Strict);
        text += decoder.decode(bytes.sliced(begin, end - begin));
        return !decoder.hasError();
    };
    for (qsizetype i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte == static_cast<unsigned char>(EuroByte)) {
            if (!decodeUpTo(i))
                return std::nullopt;
            text += Euro;
            begin = ++i;
        } else {
            // One byte below 0x80, else two: a four-byte character is two
            // pairs, each a lead byte and a digit.
            i += byte < 0x80 ? 1 : 2;
        }
    }
    if (!decodeUpTo(bytes.size()))
        return std::nullopt;
    return text;
}

std::optional<QString> TextCodec::decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringConverter::Utf8, Strict);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool TextCodec::looksLikeUtf8(QByteArrayView bytes)
{
    // A lead byte of E0 or above begins a three- or four-byte sequence.
    const bool longSequence = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE0; });
    return longSequence && decodeUtf8(bytes);
}
