#include "ui/qtdesktop.h"

#include "ui/filefilter.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMessageBox>

#include <utility>

using namespace Qt::StringLiterals;

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
    loadTranslations();
    QFileDialog dialog(parent, title);
    if (kind == FileDialog::Save) {
        // Asks before replacing an existing file (QFileDialog's default).
        dialog.setAcceptMode(QFileDialog::AcceptSave);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // A typed name is returned even when no such file exists; the command
        // then says so itself.
        dialog.setFileMode(QFileDialog::AnyFile);
    }
    const QStringList filters = FileFilter::toNameFilters(filter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty())
        dialog.selectNameFilter(filters.first());
    // The descriptions already name their patterns.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

void QtDesktop::showMessage(QWidget *parent, const QString &text, const QString &title)
{
    loadTranslations();
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDesktop::showWarning(QWidget *parent, const QString &text, const QString &title)
{
    loadTranslations();
    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box.exec();
}

void QtDesktop::openUrl(const QUrl &url)
{
    QDesktopServices::openUrl(url);
}
