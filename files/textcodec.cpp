#include "files/textcodec.h"

#include "files/gb18030tables.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

namespace Gb = Gb18030Tables;

// Code page 936 writes the euro sign as the single byte 0x80; GB18030 gives it
// the two bytes A2 E3 and leaves 0x80 unassigned. Both read as the euro sign.
constexpr char32_t Euro = U'\u20AC';
constexpr char EuroByte = '\x80';

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

void appendFourBytes(QByteArray &bytes, int code)
{
    bytes += char(0x81 + code / 12600);
    bytes += char(0x30 + code / 1260 % 10);
    bytes += char(0x81 + code / 10 % 126);
    bytes += char(0x30 + code % 10);
}

// The code point of four-byte code number `code`, or -1 when it stands for
// none.
int fourByteCodePoint(int code)
{
    if (code >= Gb::FourByteSupplementaryFirst && code <= Gb::FourByteSupplementaryLast)
        return 0x10000 + code - Gb::FourByteSupplementaryFirst;
    if (code > Gb::FourByteBmpLast)
        return -1;
    const Gb::Run *end = Gb::Runs + Gb::RunCount;
    const Gb::Run *run = std::upper_bound(Gb::Runs, end, code, [](int c, const Gb::Run &r) { return c < r.first; });
    if (run == Gb::Runs || code >= run[-1].first + run[-1].length)
        return -1;
    return run[-1].codePoint + code - run[-1].first;
}

// The bytes of one code point other than ASCII and the euro sign.
void appendCodePoint(QByteArray &bytes, char32_t codePoint)
{
    if (codePoint >= 0x10000) {
        appendFourBytes(bytes, Gb::FourByteSupplementaryFirst + int(codePoint - 0x10000));
        return;
    }
    const Gb::TwoByteEntry *twoEnd = Gb::TwoByteByCodePoint + Gb::TwoByteByCodePointCount;
    const Gb::TwoByteEntry *two = std::lower_bound(Gb::TwoByteByCodePoint, twoEnd, codePoint,
                                                   [](const Gb::TwoByteEntry &e, char32_t c) { return e.codePoint < c; });
    if (two != twoEnd && two->codePoint == codePoint) {
        const int trail = two->code % 190;
        bytes += char(0x81 + two->code / 190);
        bytes += char(trail < 63 ? 0x40 + trail : 0x41 + trail);
        return;
    }
    const auto *indexEnd = Gb::RunsByCodePoint + Gb::RunCount;
    const auto *index = std::upper_bound(Gb::RunsByCodePoint, indexEnd, codePoint,
                                         [](char32_t c, std::uint16_t i) { return c < Gb::Runs[i].codePoint; });
    if (index != Gb::RunsByCodePoint) {
        const Gb::Run &run = Gb::Runs[index[-1]];
        if (codePoint < char32_t(run.codePoint) + run.length) {
            appendFourBytes(bytes, run.first + int(codePoint - run.codePoint));
            return;
        }
    }
    bytes += '?'; // an unpaired surrogate: stands for no character
}

} // namespace

QByteArray TextCodec::encode(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t codePoint = text[i].unicode();
        if (QChar::isHighSurrogate(codePoint) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            codePoint = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        if (codePoint < 0x80)
            bytes += char(codePoint);
        else if (codePoint == Euro)
            bytes += EuroByte;
        else
            appendCodePoint(bytes, codePoint);
    }
    return bytes;
}

std::optional<QString> TextCodec::decodeGb18030(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto at = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned char lead = at(i);
        if (lead < 0x80) {
            text += QLatin1Char(char(lead));
            ++i;
            continue;
        }
        if (lead == 0x80) {
            text += QChar(char16_t(Euro));
            ++i;
            continue;
        }
        if (lead == 0xFF || i + 1 >= bytes.size())
            return std::nullopt;
        const unsigned char second = at(i + 1);
        int codePoint = -1;
        if (inRange(second, 0x30, 0x39)) {
            if (i + 3 >= bytes.size() || !inRange(at(i + 2), 0x81, 0xFE) || !inRange(at(i + 3), 0x30, 0x39))
                return std::nullopt;
            codePoint = fourByteCodePoint(((lead - 0x81) * 10 + second - 0x30) * 1260 + (at(i + 2) - 0x81) * 10
                                          + at(i + 3) - 0x30);
            i += 4;
        } else if (inRange(second, 0x40, 0x7E) || inRange(second, 0x80, 0xFE)) {
            const char16_t mapped = Gb::TwoByte[(lead - 0x81) * 190 + second - (second < 0x7F ? 0x40 : 0x41)];
            codePoint = mapped == 0xFFFF ? -1 : mapped;
            i += 2;
        }
        if (codePoint < 0)
            return std::nullopt;
        text += QChar::fromUcs4(char32_t(codePoint));
    }
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
