#pragma once

#include "ui/desktop.h"

// The desktop as Qt Widgets provide it: QFileDialog, QMessageBox and
// QDesktopServices. Each dialog is made only when it is needed.
class QtDesktop : public Desktop
{
public:
    std::optional<QString> chooseFile(QWidget *parent, FileDialog kind, const QString &title,
                                      const QString &filter) override;
    void showMessage(QWidget *parent, const QString &text, const QString &title) override;
    void showWarning(QWidget *parent, const QString &text, const QString &title) override;
    void openUrl(const QUrl &url) override;
};
