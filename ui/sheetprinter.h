#pragma once

class ChartSheet;
class QPrinter;
class QWidget;

// Printing a sheet through Qt's print support (CUPS on Debian): both views
// on A4 landscape, one page each, the FacingPodium view first.
class SheetPrinter
{
public:
    // A modal print preview of the two pages, whose print dialog prints both
    // unless the user gives a page range, or prints to a PDF file.
    static void preview(QWidget *parent, const ChartSheet &sheet);
    // Prints the pages that the printer's page range holds, every page when
    // it holds none. A PDF printed to a file gets its glyphs named as an
    // exported one does (SheetDocuments::withGlyphsNamed).
    static void print(QPrinter &printer, const ChartSheet &sheet);
};
