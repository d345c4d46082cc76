#pragma once

#include <cstdint>

// The mapping between GB18030 and Unicode, generated at build time from Qt's
// own GB18030 converter (gb18030tablegen.cpp), so that reading and writing
// lists does not load that converter and its data into every run.
//
// Two-byte codes: lead 0x81..0xFE, trail 0x40..0x7E or 0x80..0xFE, numbered
// (lead - 0x81) * 190 + trail - (trail < 0x7F ? 0x40 : 0x41).
// Four-byte codes b1 b2 b3 b4 are numbered
// ((b1 - 0x81) * 10 + b2 - 0x30) * 1260 + (b3 - 0x81) * 10 + b4 - 0x30;
// numbers up to FourByteBmpLast stand for the rest of the Basic Multilingual
// Plane in runs, and FourByteSupplementaryFirst + n stands for U+10000 + n.
namespace Gb18030Tables {

inline constexpr int TwoByteCount = 126 * 190;
inline constexpr int FourByteBmpLast = 39419;
inline constexpr int FourByteSupplementaryFirst = 189000;
inline constexpr int FourByteSupplementaryLast = 189000 + 0x10FFFF - 0x10000;

// The code point of each two-byte code; 0xFFFF where there is none.
extern const char16_t TwoByte[TwoByteCount];

struct TwoByteEntry {
    char16_t codePoint;
    std::uint16_t code; // the two-byte code's number
};
// Every two-byte code that stands for a character, in code point order.
extern const int TwoByteByCodePointCount;
extern const TwoByteEntry TwoByteByCodePoint[];

// Four-byte codes first .. first + length - 1 stand for code points
// codePoint .. codePoint + length - 1.
struct Run {
    std::int32_t first;
    char16_t codePoint;
    std::uint16_t length;
};
extern const int RunCount;
extern const Run Runs[];              // in code order
extern const std::uint16_t RunsByCodePoint[]; // indices into Runs, in code point order

} // namespace Gb18030Tables
