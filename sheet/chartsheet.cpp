#include "sheet/chartsheet.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include <utility>

using namespace Qt::StringLiterals;

ChartSheet::ChartSheet(const SeatChart &chart, const QString &title, QDate date) : m_chart(chart), m_title(title), m_date(date) {}

QString ChartSheet::titleFor(const QString &classListName)
{
    return classListName.isEmpty() ? u"座位表"_s : classListName + u" 座位表"_s;
}

QString ChartSheet::dateText(QDate date)
{
    return u"%1年%2月%3日"_s.arg(date.year()).arg(date.month()).arg(date.day());
}

int ChartSheet::seatAt(View view, int column, int row) const
{
    return view == View::FacingPodium ? m_chart.indexAtPupil(column + 1, row + 1)
                                      : m_chart.indexAtPupil(SeatChart::Columns - column, SeatChart::Rows - row);
}

QRectF ChartSheet::cellRect(const QRectF &page, int column, int row) const
{
    Q_UNUSED(page);
    Q_UNUSED(column);
    Q_UNUSED(row);
    return {};
}

void ChartSheet::paint(QPainter &painter, const QRectF &page, View view) const
{
    Q_UNUSED(painter);
    Q_UNUSED(page);
    Q_UNUSED(view);
}

void ChartSheet::paintPages(QPainter &painter, QPagedPaintDevice &device) const
{
    const QRectF page = painter.viewport();
    paint(painter, page, View::FacingPodium);
    device.newPage();
    paint(painter, page, View::FromPodium);
}
