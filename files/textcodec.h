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

    // True when the bytes are entirely valid UTF-8 and hold at least one
    // three- or four-byte sequence: text that a modern editor saved as UTF-8.
    // Anything else without a byte-order mark is read as GB18030, where most
    // two-byte UTF-8 sequences are also valid characters.
    static bool looksLikeUtf8(QByteArrayView bytes);
};
