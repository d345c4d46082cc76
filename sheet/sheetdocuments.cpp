#include "sheet/sheetdocuments.h"

#include <QMimeData>

QByteArray SheetDocuments::pdf(const ChartSheet &sheet)
{
    Q_UNUSED(sheet);
    return {};
}

QImage SheetDocuments::image(const ChartSheet &sheet)
{
    Q_UNUSED(sheet);
    return {};
}

QByteArray SheetDocuments::png(const ChartSheet &sheet)
{
    Q_UNUSED(sheet);
    return {};
}

QString SheetDocuments::tabText(const SeatChart &chart)
{
    Q_UNUSED(chart);
    return {};
}

QString SheetDocuments::htmlTable(const ChartSheet &sheet)
{
    Q_UNUSED(sheet);
    return {};
}

QMimeData *SheetDocuments::clipboardData(const ChartSheet &sheet)
{
    Q_UNUSED(sheet);
    return new QMimeData;
}
