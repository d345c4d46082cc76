#pragma once

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QWidget>
#include <QWindow>

// For the start-up benchmark only: ends the program once its main window is
// on the screen and has been painted for the first time.
//
// The window's first Expose event is seen here before the widget handles it
// (handling it paints and flushes the window), so the queued call below runs
// once that first frame is out. Before quitting, the captions of the window's
// buttons go to standard output, one a line, so the benchmark can check that
// the window it timed showed the class list.
class ExitWhenShown : public QObject
{
public:
    // Call after window.show(), which creates the window's QWindow.
    static void install(QWidget &window)
    {
        auto *hook = new ExitWhenShown(window);
        QWindow *handle = window.windowHandle();
        if (handle && handle->isExposed())
            hook->quitSoon();
        else if (handle)
            handle->installEventFilter(hook);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow *>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            quitSoon();
        }
        return false;
    }

private:
    explicit ExitWhenShown(QWidget &window) : QObject(&window), m_window(window) {}

    void quitSoon()
    {
        QMetaObject::invokeMethod(
            this,
            [this] {
                QFile out;
                if (out.open(stdout, QIODevice::WriteOnly)) {
                    for (const QAbstractButton *button : m_window.findChildren<QAbstractButton *>())
                        out.write(QByteArray(button->text().toUtf8()).append('\n'));
                }
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
    }

    QWidget &m_window;
};
