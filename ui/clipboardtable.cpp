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

} // namespace

QList<QStringList> ClipboardTable::rows(const QMimeData &data)
{
    // Spreadsheets put the same cells on the clipboard as text and as HTML;
    // their text is exact where HTML leaves room for styles and spans.
    if (data.hasText() && !data.text().trimmed().isEmpty())
        return TableText::parse(QStringView(data.text()).left(MaxTextChars), u'\t').rows;
    if (data.hasHtml())
        return htmlRows(data.html().left(MaxHtmlChars));
    return {};
}

QList<QStringList> ClipboardTable::htmlRows(const QString &html)
{
    QTextDocument document;
    document.setHtml(html);
    QTextTable *table = firstTable(document.rootFrame());
    if (!table)
        return TableText::parse(document.toPlainText(), u'\t').rows;
    QList<QStringList> rows;
    const int count = int(std::min<qsizetype>(table->rows(), TableText::MaxRows));
    for (int row = 0; row < count; ++row) {
        QStringList cells;
        for (int column = 0; column < std::min<int>(table->columns(), TableText::MaxColumns); ++column) {
            const QTextTableCell cell = table->cellAt(row, column);
            cells << (cell.row() == row && cell.column() == column ? cellText(cell) : QString());
        }
        rows << cells;
    }
    return rows;
}
