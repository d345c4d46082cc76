#include "ui/clipboardtable.h"

#include "files/tabletext.h"

#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

using namespace Qt::StringLiterals;

namespace {

QTextTable *firstTable(QTextFrame *frame)
{
    for (QTextFrame *child : frame->childFrames()) {
        if (auto *table = qobject_cast<QTextTable *>(child))
            return table;
        if (QTextTable *table = firstTable(child))
            return table;
    }
    return nullptr;
}

QString cellText(const QTextTableCell &cell)
{
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    // Paragraphs and line breaks inside a cell come as U+2029 and U+2028.
    QString text = cursor.selectedText();
    text.replace(QChar::ParagraphSeparator, u'\n').replace(QChar::LineSeparator, u'\n');
    return text;
}

// Whether the HTML nests its elements at most MaxDepth deep and holds at
// most MaxTables tables: QTextDocument takes seconds, and then minutes, over
// thousands of nested tables or blocks, which no spreadsheet copies. A
// cheap pass over the text; an element that HTML lets go unclosed counts as
// open, which only errs on the safe side.
bool isTame(QStringView html)
{
    constexpr int MaxDepth = 64;
    constexpr int MaxTables = 16;
    static const QStringList empty = {u"br"_s, u"img"_s, u"col"_s, u"meta"_s, u"link"_s, u"hr"_s, u"input"_s, u"wbr"_s, u"area"_s, u"base"_s,
                                      u"source"_s, u"!"_s, u"?"_s};
    int depth = 0;
    int tables = 0;
    for (qsizetype i = html.indexOf(u'<'); i >= 0; i = html.indexOf(u'<', i + 1)) {
        const bool closing = i + 1 < html.size() && html[i + 1] == u'/';
        qsizetype start = i + (closing ? 2 : 1);
        qsizetype end = start;
        while (end < html.size() && (html[end].isLetterOrNumber() || html[end] == u'!' || html[end] == u'?'))
            ++end;
        const QString name = html.sliced(start, end - start).toString().toLower();
        // A declaration, a comment or a processing instruction opens nothing.
        if (name.isEmpty() || empty.contains(name.startsWith(u'!') || name.startsWith(u'?') ? name.left(1) : name))
            continue;
        const qsizetype close = html.indexOf(u'>', end);
        const bool selfClosing = close > 0 && html[close - 1] == u'/';
        if (closing) {
            depth = std::max(0, depth - 1);
        } else if (!selfClosing) {
            tables += name == u"table"_s;
            if (++depth > MaxDepth || tables > MaxTables)
                return false;
        }
    }
    return true;
}

} // namespace

TableText::Table ClipboardTable::rows(const QMimeData &data)
{
    // Spreadsheets put the same cells on the clipboard as text and as HTML;
    // their text is exact where HTML leaves room for styles and spans.
    if (data.hasText() && !data.text().trimmed().isEmpty())
        return TableText::parse(QStringView(data.text()).left(MaxTextChars), u'\t');
    if (data.hasHtml())
        return htmlRows(data.html().left(MaxHtmlChars));
    return {};
}

TableText::Table ClipboardTable::htmlRows(const QString &html)
{
    if (!isTame(html))
        return {};
    QTextDocument document;
    document.setHtml(html);
    QTextTable *table = firstTable(document.rootFrame());
    if (!table)
        return TableText::parse(document.toPlainText(), u'\t');
    TableText::Table rows;
    rows.cut = table->rows() > TableText::MaxRows;
    const int count = int(std::min<qsizetype>(table->rows(), TableText::MaxRows));
    for (int row = 0; row < count; ++row) {
        QStringList cells;
        for (int column = 0; column < std::min<int>(table->columns(), TableText::MaxColumns); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            cells << (cell.row() == row && cell.column() == column ? cellText(cell) : QString());
        }
        rows.rows << cells;
    }
    return rows;
}
