#include "ui/sheetprinter.h"

#include "files/filebytes.h"
#include "files/stagedfile.h"
#include "sheet/chartsheet.h"
#include "sheet/sheetdocuments.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPrinter>

using namespace Qt::StringLiterals;

namespace {

// Far more than two pages of 35 names take.
constexpr qint64 MaxPdfBytes = 64 << 20;

} // namespace

void SheetPrinter::preview(QWidget *parent, const ChartSheet &sheet)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    printer.setDocName(sheet.title());
    printer.setCreator(u"Sedario"_s);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&sheet](QPrinter *target) { print(*target, sheet); });
    dialog.exec();
}

void SheetPrinter::print(QPrinter &printer, const ChartSheet &sheet)
{
    // Qt leaves the page range to the application; CUPS gets the pages
    // already chosen.
    const QPageRanges range = printer.pageRanges();
    QPainter painter;
    bool first = true;
    const ChartSheet::View views[] = {ChartSheet::View::FacingPodium, ChartSheet::View::FromPodium};
    for (int page = 1; page <= 2; ++page) {
        if (!range.isEmpty() && !range.contains(page))
            continue;
        if (first ? !painter.begin(&printer) : !printer.newPage())
            return;
        first = false;
        sheet.paint(painter, QRectF(painter.viewport()), views[page - 1]);
    }
    if (first || !painter.end() || printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty())
        return;
    // Printed to a file: the names in it are made searchable, as in an
    // export. Where that fails, Qt's file stays as it is.
    const auto written = FileBytes::read(printer.outputFileName(), MaxPdfBytes);
    if (written.ok() && written.value().complete)
        StagedFile::write(printer.outputFileName(), SheetDocuments::withGlyphsNamed(written.value().data, sheet));
}
