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

enum class Script { None, Latin, Greek, Cyrillic, Arabic };

struct Letters {
    char16_t first;
    char16_t last;
    Script script;
};

// The letters that names in a class list are written in, beyond ASCII: Latin
// with accents, modern Greek, Cyrillic with the Ukrainian and Kazakh letters
// (not the archaic ones from U+0460 on), and the Arabic letters and vowel signs
// of Arabic, Persian, Uyghur and Kazakh. Symbols, C1 controls, combining
// accents, IPA and rare Arabic letters are left out: they are what GBK text
// gives when it is read as UTF-8.
constexpr Letters NameLetters[] = {
    {0x00C0, 0x024F, Script::Latin},    {0x0386, 0x03CE, Script::Greek},  {0x0400, 0x045F, Script::Cyrillic},
    {0x048A, 0x04FF, Script::Cyrillic}, {0x0621, 0x063A, Script::Arabic}, {0x0640, 0x0652, Script::Arabic},
    {0x0674, 0x0674, Script::Arabic},   {0x067E, 0x067E, Script::Arabic}, {0x0686, 0x0686, Script::Arabic},
    {0x0698, 0x0698, Script::Arabic},   {0x06A9, 0x06A9, Script::Arabic}, {0x06AD, 0x06AD, Script::Arabic},
    {0x06AF, 0x06AF, Script::Arabic},   {0x06BE, 0x06BE, Script::Arabic}, {0x06C6, 0x06CC, Script::Arabic},
    {0x06D0, 0x06D0, Script::Arabic},   {0x06D5, 0x06D5, Script::Arabic},
};

Script scriptOf(QChar c)
{
    if (c.unicode() < 0x80)
        return c.isLetter() ? Script::Latin : Script::None;
    if (!c.isLetter() && !c.isMark())
        return Script::None;
    for (const Letters &letters : NameLetters) {
        if (c.unicode() >= letters.first && c.unicode() <= letters.last)
            return letters.script;
    }
    return Script::None;
}

// A character of U+0080..U+07FF is the UTF-8 bytes C0 + c / 64, 80 + c % 64,
// which GBK reads as one character: a common hanzi (GB2312 level 1, lead B0-D7,
// trail A1-FE) when c is below U+0600 and c % 64 at least 0x21. From U+0600
// on, the Arabic letters, GBK has the rarer hanzi of level 2 (亍丌兀…), which
// Chinese names seldom use.
bool isCommonHanziInGbk(QChar c)
{
    return c.unicode() < 0x600 && (c.unicode() & 0x3F) >= 0x21;
}

// For text whose UTF-8 bytes are one- and two-byte sequences: true when every
// word (a run of letters between ASCII non-letters) is made of name letters of
// one script, a Latin word has a plain ASCII letter (no name is all accents,
// but GBK read as UTF-8 often is), and the GBK reading of the same bytes is no
// list of Chinese names. That takes a character that is no common hanzi in GBK,
// or an accented Latin letter: its word has a plain letter, and no Chinese
// name glues an ASCII letter to a hanzi.
bool readsAsNamesNotHanzi(QStringView text)
{
    Script word = Script::None;
    bool plainLetter = false;
    bool notHanzi = false;
    for (const QChar c : text) {
        const Script script = scriptOf(c);
        if (c.unicode() < 0x80 && script == Script::None) {
            if (word == Script::Latin && !plainLetter)
                return false;
            word = Script::None;
            plainLetter = false;
        } else if (script == Script::None || (word != Script::None && script != word)) {
            return false;
        } else {
            word = script;
            plainLetter = plainLetter || c.unicode() < 0x80;
            notHanzi = notHanzi || (c.unicode() >= 0x80 && (script == Script::Latin || !isCommonHanziInGbk(c)));
        }
    }
    return notHanzi && (word != Script::Latin || plainLetter);
}

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

std::optional<QString> TextCodec::decodeUtf16(QByteArrayView bytes, bool littleEndian)
{
    QStringDecoder decoder(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, Strict);
    QString text = decoder.decode(bytes);
    // The decoder passes unpaired surrogates through; they stand for nothing.
    if (bytes.size() % 2 != 0 || decoder.hasError() || !text.isValidUtf16())
        return std::nullopt;
    return text;
}

std::optional<QString> TextCodec::decodeText(QByteArrayView bytes)
{
    std::optional<QString> text;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text = decodeUtf8(bytes.sliced(3));
    } else if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        text = decodeUtf16(bytes.sliced(2), bytes.startsWith("\xFF\xFE"));
    } else {
        text = looksLikeUtf8(bytes) ? decodeUtf8(bytes) : decodeGb18030(bytes);
    }
    if (text && text->contains(QChar(0)))
        return std::nullopt;
    return text;
}

bool TextCodec::looksLikeUtf8(QByteArrayView bytes)
{
    const std::optional<QString> text = decodeUtf8(bytes);
    if (!text)
        return false;
    // A lead byte of E0 or above begins a three- or four-byte sequence.
    const bool longSequence = std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0xE0; });
    // Two-byte sequences alone are where the encodings overlap: GBK pairs the
    // same bytes, and a short list of hanzi can be valid UTF-8 (小 is D0 A1,
    // Cyrillic С). When both readings are plausible, GB18030 wins, being what
    // the program itself writes; so no list of common hanzi reads as UTF-8.
    return longSequence || readsAsNamesNotHanzi(*text);
}
