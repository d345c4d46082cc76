#include "files/htmlexport.h"

#include "chart/seatchart.h"
#include "files/stagedfile.h"
#include "files/textcodec.h"

using namespace Qt::StringLiterals;

QString HtmlExport::cellText(const QString &name)
{
    return name.toHtmlEscaped().replace(u'\r', u"&#13;"_s).replace(u'\n', u"&#10;"_s);
}

QByteArray HtmlExport::table(const SeatChart &chart)
{
    const QString lineEnd = u"\r\n"_s;
    QString html = u"<table  align=center border=1 cellpadding=10 cellspacing=0 width=90% "
                   "bordercolor=#CC99FF style='border-collapse: collapse'>"_s
        + lineEnd;
    for (int row = 0; row < SeatChart::Rows; ++row) {
        html += u"<tr>"_s + lineEnd;
        for (int column = 0; column < SeatChart::Columns; ++column)
            html += u"<td>"_s + cellText(chart.seat(SeatChart::indexOf(column, row))) + u"</td>"_s + lineEnd;
        html += u"</tr>"_s + lineEnd;
    }
    html += u"</table>"_s + lineEnd;
    return TextCodec::encode(html);
}

std::optional<FileError> HtmlExport::exportHtmlTable(const SeatChart &chart, const QString &path)
{
    return StagedFile::write(path, table(chart));
}
