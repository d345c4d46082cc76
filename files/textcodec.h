#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>

// Conversion between names in memory and the bytes of the files the program
// reads and writes.
//
// Files are written in GB18030, which gives the same bytes as code page 936
// (GBK) for every character that code page has, the euro sign included as the
// single byte 0x80, and still has a byte sequence for every other character,
// so no name turns into "?". Reading accepts the same, and the readers also
// take UTF-8 and UTF-16 files (see SeatListFile).
class TextCodec
{
public:
    // The bytes of text in GB18030, with the euro sign as 0x80.
    static QByteArray encode(QStringView text);

    // Strict decoding: nullopt when the bytes are not a complete, valid
    // sequence in that encoding (so nothing is ever shown garbled). Every
    // character is kept, a U+FEFF at the start included.
    static std::optional<QString> decodeGb18030(QByteArrayView bytes);
    static std::optional<QString> decodeUtf8(QByteArrayView bytes);
    // UTF-16 without its byte-order mark, little-endian or not: nullopt for
    // an odd number of bytes or an unpaired surrogate as well.
    static std::optional<QString> decodeUtf16(QByteArrayView bytes, bool littleEndian);

    // The text of a whole file decided as seat lists decide it: UTF-8 or
    // UTF-16 after that byte-order mark (the mark dropped), else UTF-8 when
    // looksLikeUtf8(), else GB18030. nullopt when the bytes are not valid in
    // that encoding or hold a NUL (no text file does).
    static std::optional<QString> decodeText(QByteArrayView bytes);

    // True when the bytes, which carry no byte-order mark, are to be read as
    // UTF-8 rather than GB18030. They must be entirely valid UTF-8; then
    // - a three- or four-byte sequence decides for UTF-8 (text that a modern
    //   editor saved as UTF-8);
    // - with two-byte sequences only, GBK reads each of them as one character
    //   too, and the bytes are UTF-8 when the UTF-8 reading is names and the
    //   GBK reading is not Chinese: every word of the UTF-8 text is letters of
    //   one script (Latin with accents, Greek, Cyrillic, Arabic), a Latin word
    //   has a plain ASCII letter, and in GBK some pair is no common hanzi
    //   (GB2312 level 1) or touches an ASCII letter. So "Jos\xC3\xA9" is José,
    //   but CE BA CE A1 (魏巍, or Greek "κΡ") stays GB18030, as does any list
    //   of common hanzi alone.
    // Anything else is GB18030.
    static bool looksLikeUtf8(QByteArrayView bytes);
};
