#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Reads the entries of a seat list, one at a time, from its bytes.
//
// The rule for one entry:
// - blanks (spaces) before it are skipped; a tab is an ordinary character;
// - an entry that begins with a double quote runs to the next double quote
//   or, when there is none, to the end of the line; commas and blanks inside
//   belong to it, the quotes do not, and whatever follows the closing quote up
//   to the next comma or line end is dropped;
// - any other entry runs to the next comma, line end or the end of the file,
//   and blanks at its end are dropped;
// - the comma or line end after the entry is consumed; LF, CR LF and a lone CR
//   each end a line, so an empty line is one empty entry, and so is the place
//   between two adjacent commas.
//
// The bytes may be GB18030 or UTF-8: in both, every byte of a multi-byte
// character is above 0x2C, so no blank, comma, quote or line end is ever part
// of one. Entries come back as raw bytes, not yet decoded.
//
// An entry is refused (and the reader stops) when its raw text, from where it
// begins to the comma or line end after it, is longer than MaxEntryBytes, or
// when a NUL byte appears: such a file is not a seat list.
class EntryReader
{
public:
    static constexpr qsizetype MaxEntryBytes = 4096;

    enum class Fault { None, EntryTooLong, NulByte };

    // CR and LF each end a line (CR LF ends one).
    static bool isLineEnd(char c);

    // complete is false when data holds only the beginning of a longer file;
    // an entry that would run past the end of data then counts as too long.
    explicit EntryReader(QByteArrayView data, bool complete = true);

    // True when every byte has been consumed (and data is the whole file).
    bool atEnd() const;

    // The next entry. Must not be called at the end. Returns nullopt, and
    // leaves fault() set, when the entry is refused.
    std::optional<QByteArray> readEntry();

    Fault fault() const { return m_fault; }
    // How many bytes the entries read so far have consumed.
    qsizetype position() const { return m_pos; }

private:
    QByteArrayView m_data;
    bool m_complete;
    qsizetype m_pos = 0;
    Fault m_fault = Fault::None;
};
