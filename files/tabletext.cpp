#include "files/tabletext.h"

#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// Where the quoted cell that opens at `open` closes: the index of its closing
// quote, or -1 when there is none.
qsizetype closingQuote(QStringView text, qsizetype open)
{
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        if (text[i] != u'"')
            continue;
        if (i + 1 < text.size() && text[i + 1] == u'"') {
            ++i;
            continue;
        }
        return i;
    }
    return -1;
}

} // namespace

TableText::Table TableText::parse(QStringView text, QChar separator)
{
    Table table;
    QStringList row;
    qsizetype i = 0;
    const auto endRow = [&] {
        if (table.rows.size() == MaxRows) {
            table.cut = true;
            return false;
        }
        table.rows.append(std::exchange(row, {}));
        return true;
    };
    while (i < text.size()) {
        QString cell;
        const qsizetype close = text[i] == u'"' ? closingQuote(text, i) : -1;
        if (close >= 0) {
            cell = text.sliced(i + 1, close - i - 1).toString();
            cell.replace(u"\"\""_s, u"\""_s);
            i = close + 1;
        }
        // The rest of the cell, or all of it when it was not quoted; what
        // follows a closing quote is kept rather than lost.
        const qsizetype start = i;
        while (i < text.size() && text[i] != separator && !isLineEnd(text[i]))
            ++i;
        cell += text.sliced(start, i - start);
        if (row.size() < MaxColumns)
            row.append(std::move(cell));
        if (i == text.size()) {
            endRow();
            break;
        }
        if (text[i] == separator) {
            ++i;
            // A separator at the very end leaves one more, empty, cell.
            if (i == text.size()) {
                row.append(QString());
                endRow();
            }
            continue;
        }
        i += text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
        if (!endRow())
            break;
    }
    return table;
}
