#pragma once

#include "ui/desktop.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <utility>

// Answers the windows' dialogs from a script and writes down what they
// showed, one line each: "open <title> <filter>" or "save <title> <filter>"
// for a file dialog, "<title>: <text>" for a message and "warning <title>:
// <text>" for a warning, with `home` in a text written as "~".
class FakeDesktop : public Desktop
{
public:
    // The answer of the next file dialog: a path, or nullopt for Cancel.
    std::optional<QString> nextChoice;
    QString home;

    QStringList log;
    QList<QUrl> openedUrls;

    std::optional<QString> chooseFile(QWidget *, FileDialog kind, const QString &title, const QString &filter) override
    {
        log << (kind == FileDialog::Save ? QStringLiteral("save ") : QStringLiteral("open ")) + title + u' ' + filter;
        return std::exchange(nextChoice, std::nullopt);
    }
    void showMessage(QWidget *, const QString &text, const QString &title) override { log << title + QStringLiteral(": ") + text; }
    void showWarning(QWidget *, const QString &text, const QString &title) override
    {
        const QString shown = home.isEmpty() ? text : QString(text).replace(home, QStringLiteral("~"));
        log << QStringLiteral("warning ") + title + QStringLiteral(": ") + shown;
    }
    void openUrl(const QUrl &url) override { openedUrls.append(url); }
};
