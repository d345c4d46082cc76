#pragma once

#include "ui/desktop.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

// Answers the windows' dialogs from a script and records what they asked.
class FakeDesktop : public Desktop
{
public:
    struct Dialog {
        FileDialog kind;
        QString title;
        QString filter;
    };
    struct Box {
        QString text;
        QString title;
    };

    // The answer of the next file dialog: a path, or nullopt for Cancel.
    std::optional<QString> nextChoice;

    QList<Dialog> dialogs;
    QList<Box> messages;
    QList<Box> warnings;
    QList<QUrl> openedUrls;

    std::optional<QString> chooseFile(QWidget *, FileDialog kind, const QString &title, const QString &filter) override
    {
        dialogs.append({kind, title, filter});
        return std::exchange(nextChoice, std::nullopt);
    }
    void showMessage(QWidget *, const QString &text, const QString &title) override { messages.append({text, title}); }
    void showWarning(QWidget *, const QString &text, const QString &title) override { warnings.append({text, title}); }
    void openUrl(const QUrl &url) override { openedUrls.append(url); }
};
