#include "ui/qtdesktop.h"

#include "ui/extensionfiledialog.h"
#include "ui/plainfileiconprovider.h"
#include "ui/sheetprinter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGridLayout>
#include <QLibraryInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

// Room for the buttons of a title bar (close, minimise, a menu) and its
// margins.
constexpr int TitleBarButtons = 160;

} // namespace

void QtDesktop::loadTranslations()
{
    // Not at start-up: the window needs none of these texts to show.
    if (std::exchange(m_translationsTried, true))
        return;
    if (m_translator.load(u"qtbase_zh_CN"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&m_translator);
}

std::optional<QString> QtDesktop::chooseFile(QWidget *parent, FileDialog kind, const QString &title, const QString &filter)
{
    // Saving asks before an existing file is replaced. Either way a typed
    // name is returned even when no such file exists (QFileDialog::AnyFile),
    // and the command then says so itself; no extension is added.
    const auto chosen = runFileDialog(parent, kind, title, filter, false);
    return chosen ? std::optional(chosen->first) : std::nullopt;
}

std::optional<std::pair<QString, int>> QtDesktop::chooseExportFile(QWidget *parent, const QString &title, const QString &filter,
                                                                   const QString &suggested)
{
    return runFileDialog(parent, FileDialog::Save, title, filter, true, suggested);
}

std::optional<std::pair<QString, int>> QtDesktop::runFileDialog(QWidget *parent, FileDialog kind, const QString &title,
                                                                const QString &filter, bool addExtension, const QString &suggested)
{
    loadTranslations();
    PlainFileIconProvider icons; // outlives the dialog
    ExtensionFileDialog dialog(parent, title, filter, addExtension);
    dialog.setIconProvider(&icons);
    dialog.setAcceptMode(kind == FileDialog::Save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    if (!suggested.isEmpty())
        dialog.selectFile(suggested);
    if (dialog.exec() != QDialog::Accepted || dialog.chosenFile().isEmpty())
        return std::nullopt;
    return std::pair(dialog.chosenFile(), dialog.chosenFilter());
}

void QtDesktop::printPreview(QWidget *parent, const ChartSheet &sheet)
{
    loadTranslations();
    // A print to a file that failed is told as a failed export is.
    SheetPrinter::preview(parent, sheet,
                          [this](QWidget *preview, const FileError &error) { showWarning(preview, error.message(), u"打印"_s); });
}

std::unique_ptr<QMessageBox> QtDesktop::messageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title,
                                                   QMessageBox::StandardButtons buttons)
{
    auto box = std::make_unique<QMessageBox>(icon, title, text, buttons, parent);
    // Messages carry the names of files and pupils, which may look like markup.
    box->setTextFormat(Qt::PlainText);
    // QMessageBox leaves 50 pixels beside the title, less than most title
    // bars need for their buttons, and title bars draw larger or bold text.
    // A spacer across the box's grid makes it that wide.
    const int titleWidth = box->fontMetrics().horizontalAdvance(title) * 3 / 2 + TitleBarButtons;
    if (auto *grid = qobject_cast<QGridLayout *>(box->layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Minimum), grid->rowCount(), 0, 1,
                      grid->columnCount());
    return box;
}

void QtDesktop::showMessage(QWidget *parent, const QString &text, const QString &title)
{
    loadTranslations();
    messageBox(parent, QMessageBox::NoIcon, text, title)->exec();
}

void QtDesktop::showWarning(QWidget *parent, const QString &text, const QString &title)
{
    loadTranslations();
    messageBox(parent, QMessageBox::Warning, text, title)->exec();
}

std::optional<int> QtDesktop::ask(QWidget *parent, const QString &text, const QString &title, const QStringList &choices)
{
    loadTranslations();
    const auto box = messageBox(parent, QMessageBox::Question, text, title, QMessageBox::Cancel);
    QList<QAbstractButton *> buttons;
    for (const QString &choice : choices)
        buttons << box->addButton(choice, QMessageBox::AcceptRole);
    box->setDefaultButton(qobject_cast<QPushButton *>(buttons.value(0)));
    box->setEscapeButton(QMessageBox::Cancel);
    box->exec();
    const qsizetype chosen = buttons.indexOf(box->clickedButton());
    return chosen < 0 ? std::nullopt : std::optional(int(chosen));
}

std::optional<int> QtDesktop::chooseItem(QWidget *parent, const QString &text, const QString &title, const QStringList &items)
{
    loadTranslations();
    QInputDialog dialog(parent);
    dialog.setWindowTitle(title);
    dialog.setLabelText(text);
    dialog.setComboBoxItems(items);
    dialog.setComboBoxEditable(false);
    // The text names a file, which may look like markup.
    for (auto *label : dialog.findChildren<QLabel *>())
        label->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const qsizetype chosen = items.indexOf(dialog.textValue());
    return chosen < 0 ? std::nullopt : std::optional(int(chosen));
}

void QtDesktop::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
