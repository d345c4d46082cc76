#pragma once

#include "files/fileerror.h"

#include <functional>
#include <optional>

class ChartSheet;
class QPrinter;
class QWidget;

// Printing a sheet through Qt's print support (CUPS on Debian): both views
// on A4 landscape, one page each, the FacingPodium view first.
class SheetPrinter
{
public:
    // How a print to a file that failed is told, over the preview.
    using Warn = std::function<void(QWidget *preview, const FileError &error)>;

    // A modal print preview of the two pages, whose print dialog prints both
    // unless the user gives a page range, or prints to a PDF file.
    static void preview(QWidget *parent, const ChartSheet &sheet, const Warn &warn);
    // Prints the pages that the printer's page range holds, every page when
    // it holds none. A PDF printed to a file is made in memory, its glyphs
    // named as an exported one's are (SheetDocuments::withGlyphsNamed), and
    // written as an export is (StagedFile::write): a pipe, a device or a
    // folder is refused unopened, and a file that cannot be written whole
    // leaves the one before as it was. Returns why such a file was not
    // written.
    static std::optional<FileError> print(QPrinter &printer, const ChartSheet &sheet);
};
