#include "files/tabletext.h"

#include <optional>
#include <utility>


namespace {

bool isLineEnd(QChar c)
{
    return c == u'\n' || c == u'\r';
}

// The quoted cell that opens at `open`, its doubled quotes made single, and
// where it ends: at the first quote that is not doubled, which must be
// followed by the separator, a line end or the end of the text, as a
// spreadsheet writes it. Anything else (a quote never closed, a quote inside
// a later name) is no quoted cell: nullopt, and the opening quote is an
// ordinary character, so that one stray quote cannot join names. Each
// character is looked at once.
std::optional<std::pair<QString, qsizetype>> quotedCell(QStringView text, qsizetype open, QChar separator)
{
    QString cell;
    for (qsizetype i = open + 1; i < text.size(); ++i) {
        if (text[i] != u'"') {
            cell += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'"') {
            cell += u'"';
            ++i;
            continue;
        }
        if (i + 1 == text.size() || text[i + 1] == separator || isLineEnd(text[i + 1]))
            return std::pair(std::move(cell), i + 1);
        return std::nullopt;
    }
    return std::nullopt;
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
        auto quoted = text[i] == u'"' ? quotedCell(text, i, separator) : std::nullopt;
        if (quoted) {
            cell = std::move(quoted->first);
            i = quoted->second;
        } else {
            const qsizetype start = i;
            while (i < text.size() && text[i] != separator && !isLineEnd(text[i]))
                ++i;
            cell = text.sliced(start, i - start).toString();
        }
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
