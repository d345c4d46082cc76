#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>
#include <utility>

class ChartSheet;
class QWidget;

// What the windows ask of the desktop: file dialogs, message boxes, the print
// preview and the web browser. Production uses QtDesktop; tests answer with a fake, so the
// real windows can be driven without modal dialogs.
class Desktop
{
public:
    enum class FileDialog {
        Open, // any path may be typed; the file need not exist
        Save, // asks before an existing file is replaced
    };

    virtual ~Desktop() = default;

    // A path chosen by the user, exactly as the dialog gives it, or nullopt
    // when the user cancels. filter lists description and pattern pairs,
    // every element separated by "|"; the first pair is selected. No
    // extension is added to a typed name.
    virtual std::optional<QString> chooseFile(QWidget *parent, FileDialog kind, const QString &title, const QString &filter) = 0;
    // A Save dialog for an export, with filters as above, that suggests the
    // name `suggested`. A typed name that ends in none of the filters'
    // extensions gets that of the filter chosen, before the dialog asks
    // about replacing the file. The path and the number of the filter pair
    // chosen, from 0, or nullopt when the user cancels.
    virtual std::optional<std::pair<QString, int>> chooseExportFile(QWidget *parent, const QString &title, const QString &filter,
                                                                    const QString &suggested) = 0;
    // The print preview of the sheet's pages, from which the user prints.
    virtual void printPreview(QWidget *parent, const ChartSheet &sheet) = 0;
    // A modal box with the text, the title, one OK button and no icon.
    virtual void showMessage(QWidget *parent, const QString &text, const QString &title) = 0;
    // The same with a warning icon, for a command that failed.
    virtual void showWarning(QWidget *parent, const QString &text, const QString &title) = 0;
    // A modal question with a button for each choice, the first the default,
    // and 取消 (Escape too): the number of the choice, from 0, or nullopt for
    // 取消.
    virtual std::optional<int> ask(QWidget *parent, const QString &text, const QString &title, const QStringList &choices) = 0;
    // A modal choice of one of `items` in a list, the first selected, with
    // the text above it: the number of the item chosen, from 0, or nullopt
    // for 取消.
    virtual std::optional<int> chooseItem(QWidget *parent, const QString &text, const QString &title, const QStringList &items) = 0;
    // Asks the desktop to open a web address; failure is silent.
    virtual void openUrl(const QUrl &url) = 0;
};
