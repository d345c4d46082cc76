#include "files/entryreader.h"

#include <QtGlobal>

#include <algorithm>

bool EntryReader::isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

EntryReader::EntryReader(QByteArrayView data, bool complete) : m_data(data), m_complete(complete) {}

bool EntryReader::atEnd() const
{
    return m_complete && m_pos >= m_data.size();
}

std::optional<QByteArray> EntryReader::readEntry()
{
    Q_ASSERT(!atEnd());
    if (m_fault != Fault::None)
        return std::nullopt;

    const qsizetype size = m_data.size();
    const qsizetype start = m_pos;
    // Nothing past start + MaxEntryBytes is ever looked at for this entry, so
    // the work per entry stays bounded whatever the file holds.
    const qsizetype limit = std::min(size, start + MaxEntryBytes + 1);
    qsizetype pos = start;

    while (pos < limit && m_data[pos] == ' ')
        ++pos;

    qsizetype textBegin = pos;
    qsizetype textEnd = pos;
    if (pos < limit && m_data[pos] == '"') {
        textBegin = ++pos;
        while (pos < limit && m_data[pos] != '"' && !isLineEnd(m_data[pos]))
            ++pos;
        textEnd = pos;
        while (pos < limit && m_data[pos] != ',' && !isLineEnd(m_data[pos]))
            ++pos;
    } else {
        while (pos < limit && m_data[pos] != ',' && !isLineEnd(m_data[pos]))
            ++pos;
        textEnd = pos;
        while (textEnd > textBegin && m_data[textEnd - 1] == ' ')
            --textEnd;
    }

    // A NUL byte says more about the file than the length does: a file of
    // NUL bytes is no text at all, not one over-long entry.
    if (m_data.sliced(start, pos - start).contains('\0')) {
        m_fault = Fault::NulByte;
        return std::nullopt;
    }
    if (pos - start > MaxEntryBytes || (pos == size && !m_complete)) {
        m_fault = Fault::EntryTooLong;
        return std::nullopt;
    }

    if (pos < size) {
        if (m_data[pos] == '\r' && pos + 1 < size && m_data[pos + 1] == '\n')
            ++pos;
        ++pos;
    }
    m_pos = pos;
    return m_data.sliced(textBegin, textEnd - textBegin).toByteArray();
}
