#pragma once

#include "ui/desktop.h"

#include <QMessageBox>
#include <QTranslator>

#include <memory>

// The desktop as Qt Widgets provide it: QFileDialog (with icons that never
// read a file), QMessageBox, QPrintPreviewDialog (SheetPrinter) and
// QDesktopServices. Each dialog is made only when it is needed, and Qt's own
// Chinese texts for them (the buttons, the file dialog's labels) are loaded
// before the first one, when Debian's Qt translations are installed.
class QtDesktop : public Desktop
{
public:
    std::optional<QString> chooseFile(QWidget *parent, FileDialog kind, const QString &title, const QString &filter) override;
    std::optional<std::pair<QString, int>> chooseExportFile(QWidget *parent, const QString &title, const QString &filter,
                                                            const QString &suggested) override;
    void printPreview(QWidget *parent, const ChartSheet &sheet) override;
    void showMessage(QWidget *parent, const QString &text, const QString &title) override;
    void showWarning(QWidget *parent, const QString &text, const QString &title) override;
    std::optional<int> ask(QWidget *parent, const QString &text, const QString &title, const QStringList &choices) override;
    std::optional<int> chooseItem(QWidget *parent, const QString &text, const QString &title, const QStringList &items) override;
    void openUrl(const QUrl &url) override;

    // The box that showMessage() and showWarning() show: at least wide
    // enough for a window manager to draw its whole title beside the title
    // bar's buttons.
    static std::unique_ptr<QMessageBox> messageBox(QWidget *parent, QMessageBox::Icon icon, const QString &text, const QString &title,
                                                   QMessageBox::StandardButtons buttons = QMessageBox::Ok);

private:
    void loadTranslations();
    std::optional<std::pair<QString, int>> runFileDialog(QWidget *parent, FileDialog kind, const QString &title, const QString &filter,
                                                         bool addExtension, const QString &suggested = {});

    QTranslator m_translator;
    bool m_translationsTried = false;
};
