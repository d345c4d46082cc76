#include "ui/sheetprinter.h"

#include "files/stagedfile.h"
#include "sheet/chartsheet.h"
#include "sheet/sheetdocuments.h"
#include "ui/sheetprintdialog.h"

#include <QAction>
#include <QBuffer>
#include <QCoreApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPaintEngine>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// The pages of `range` (every page when it is empty) on `device`.
void paintPages(QPagedPaintDevice &device, const QPageRanges &range, const ChartSheet &sheet,
                QList<ChartSheet::DrawnText> *drawn = nullptr)
{
    QPainter painter;
    bool first = true;
    const ChartSheet::View views[] = {ChartSheet::View::FacingPodium, ChartSheet::View::FromPodium};
    for (int page = 1; page <= 2; ++page) {
        if (!range.isEmpty() && !range.contains(page))
            continue;
        if (first ? !painter.begin(&device) : !device.newPage())
            return;
        first = false;
        sheet.paint(painter, QRectF(painter.viewport()), views[page - 1], drawn);
    }
}

} // namespace

void SheetPrinter::preview(QWidget *parent, const ChartSheet &sheet, const Warn &warn)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter));
    printer.setDocName(sheet.title());
    printer.setCreator(u"Sedario"_s);
    QPrintPreviewDialog dialog(&printer, parent);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter *target) { print(*target, sheet); });
    // The preview's print button: Qt's would open a pipe chosen as the
    // output file before anything could refuse it, and close the preview
    // whether the file was written or not.
    const auto actions = dialog.findChildren<QAction *>();
    const auto button = std::find_if(actions.begin(), actions.end(), [](const QAction *action) {
        return action->text() == QCoreApplication::translate("QPrintPreviewDialog", "Print");
    });
    if (button != actions.end()) {
        QObject::disconnect(*button, &QAction::triggered, nullptr, nullptr);
        QObject::connect(*button, &QAction::triggered, &dialog, [&] {
            SheetPrintDialog choose(&printer, &dialog, warn);
            if (choose.exec() != QDialog::Accepted)
                return;
            if (const auto error = print(printer, sheet))
                return warn(&dialog, *error);
            dialog.accept();
        });
    }
    dialog.exec();
}

std::optional<FileError> SheetPrinter::print(QPrinter &printer, const ChartSheet &sheet)
{
    // Qt leaves the page range to the application; CUPS gets the pages
    // already chosen. The preview draws on an engine of its own.
    const QPageRanges range = printer.pageRanges();
    const bool previewing = printer.paintEngine() && printer.paintEngine()->type() == QPaintEngine::Picture;
    if (previewing || printer.outputFormat() != QPrinter::PdfFormat || printer.outputFileName().isEmpty()) {
        paintPages(printer, range, sheet);
        return std::nullopt;
    }
    // Qt's own PDF file would be opened before a page is drawn (a pipe would
    // block the program), written unchecked (a full disk leaves half a
    // file) and its glyphs named by the radicals.
    QList<ChartSheet::DrawnText> drawn;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageLayout(printer.pageLayout());
        writer.setResolution(printer.resolution());
        writer.setTitle(printer.docName());
        writer.setCreator(printer.creator());
        paintPages(writer, range, sheet, &drawn);
    }
    return StagedFile::write(printer.outputFileName(), SheetDocuments::withGlyphsNamed(buffer.data(), drawn));
}
