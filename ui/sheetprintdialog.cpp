#include "ui/sheetprintdialog.h"

#include "files/stagedfile.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QLineEdit>

#include <utility>

using namespace Qt::StringLiterals;

SheetPrintDialog::SheetPrintDialog(QPrinter *printer, QWidget *parent, SheetPrinter::Warn warn)
    : QPrintDialog(printer, parent)
    , m_warn(std::move(warn))
{
    // The print button goes to Qt's check of the fields, which opens the
    // output file, and then to accept(): the file is looked at first.
    auto *buttons = findChild<QDialogButtonBox *>();
    if (!buttons || !disconnect(buttons, &QDialogButtonBox::accepted, this, nullptr))
        return;
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (const auto refused = refusedOutput())
            return m_warn(this, *refused);
        if (!QMetaObject::invokeMethod(this, "_q_checkFields"))
            accept();
    });
}

std::optional<FileError> SheetPrintDialog::refusedOutput() const
{
    // Qt's own box for the output file, enabled while printing to a file.
    const auto *file = findChild<const QLineEdit *>(u"filename"_s);
    QString path = file && file->isEnabled() ? file->text() : QString();
    if (path.startsWith(u"~/"_s))
        path = QDir::homePath() + path.mid(1);
    // Where the folder is missing, Qt says so itself.
    const auto refused = path.isEmpty() ? std::nullopt : StagedFile::check(path);
    return refused && refused->reason() != FileError::Reason::Missing ? refused : std::nullopt;
}
