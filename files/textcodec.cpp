#include "files/textcodec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

constexpr char16_t Euro = u'\u20AC';
constexpr char EuroByte = '\x80';

// Code page 936 writes the euro sign as the single byte 0x80; GB18030 gives it
// the two bytes A2 E3 and leaves 0x80 unassigned. Qt's GB18030 converter is
// used for everything else.
const char *const Gb18030 = "GB18030";

bool inRange(unsigned char byte, unsigned char low, unsigned char high)
{
    return byte >= low && byte <= high;
}

// Length of the UTF-8 sequence that starts at data[i], 0 when it is invalid
// (overlong forms, surrogates and code points beyond U+10FFFF included).
qsizetype utf8SequenceLength(QByteArrayView data, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(data[k]); };
    const unsigned char lead = at(i);
    if (lead < 0x80)
        return 1;
    qsizetype length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (inRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (inRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (inRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (i + length > data.size())
        return 0;
    if (!inRange(at(i + 1), low, high))
        return 0;
    for (qsizetype k = 2; k < length; ++k) {
        if (!inRange(at(i + k), 0x80, 0xBF))
            return 0;
    }
    return length;
}

// Length of the GB18030 character that starts at data[i] (one, two or four
// bytes), 0 when the bytes there cannot start one. 0x80 counts as a
// one-byte character, the euro sign.
qsizetype gb18030SequenceLength(QByteArrayView data, qsizetype i)
{
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(data[k]); };
    const unsigned char lead = at(i);
    if (lead <= 0x80)
        return 1;
    if (lead == 0xFF || i + 1 >= data.size())
        return 0;
    const unsigned char second = at(i + 1);
    if (inRange(second, 0x30, 0x39)) {
        if (i + 3 >= data.size())
            return 0;
        return inRange(at(i + 2), 0x81, 0xFE) && inRange(at(i + 3), 0x30, 0x39) ? 4 : 0;
    }
    return inRange(second, 0x40, 0x7E) || inRange(second, 0x80, 0xFE) ? 2 : 0;
}

} // namespace

QByteArray TextCodec::encode(QStringView text)
{
    QStringEncoder encoder(Gb18030);
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype euro = text.indexOf(QChar(Euro), start);
        if (euro < 0)
            euro = text.size();
        bytes += encoder.encode(text.sliced(start, euro - start));
        if (euro < text.size())
            bytes += EuroByte;
        start = euro + 1;
    }
    return bytes;
}

std::optional<QString> TextCodec::decodeGb18030(QByteArrayView bytes)
{
    QStringDecoder decoder(Gb18030);
    QString text;
    text.reserve(bytes.size());
    qsizetype segment = 0;
    const auto flush = [&](qsizetype end) {
        text += decoder.decode(bytes.sliced(segment, end - segment));
    };
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = gb18030SequenceLength(bytes, i);
        if (length == 0)
            return std::nullopt;
        if (bytes[i] == EuroByte) {
            flush(i);
            text += QChar(Euro);
            segment = i + 1;
        }
        i += length;
    }
    flush(bytes.size());
    // The structure was checked above; the converter still refuses four-byte
    // codes that stand for no character.
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> TextCodec::decodeUtf8(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = utf8SequenceLength(bytes, i);
        if (length == 0)
            return std::nullopt;
        i += length;
    }
    // QString::fromUtf8 would drop a U+FEFF at the start; inside a file it is
    // a character like any other (the file's own byte-order mark never
    // reaches this point).
    QStringDecoder decoder(QStringConverter::Utf8,
                           QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool TextCodec::looksLikeUtf8(QByteArrayView bytes)
{
    bool wide = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype length = utf8SequenceLength(bytes, i);
        if (length == 0)
            return false;
        wide = wide || length >= 3;
        i += length;
    }
    return wide;
}
