#pragma once

#include "ui/sheetprinter.h"

#include <QPrintDialog>

// Qt's print dialog, but for an output file that is no file to print to:
// when its print button is pressed, Qt opens the file chosen to see whether
// it may write there, and on a pipe that open waits for a reader for good.
// So a folder, a device or a pipe chosen as the PDF file (anything StagedFile
// would refuse) is told through `warn` before Qt looks, and the dialog stays
// open for another name.
class SheetPrintDialog : public QPrintDialog
{
    Q_OBJECT

public:
    SheetPrintDialog(QPrinter *printer, QWidget *parent, SheetPrinter::Warn warn);

private:
    // Why the output file chosen cannot be printed to; nothing when it can,
    // or when the printer prints to no file.
    std::optional<FileError> refusedOutput() const;

    SheetPrinter::Warn m_warn;
};
