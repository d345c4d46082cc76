// For the start-up benchmark only: linked into a program, it ends the program
// once its first window is on the screen and has been painted for the first
// time. Before quitting, the captions of that window's buttons go to standard
// output, one a line, so the benchmark can check that the window it timed
// showed the class list.
//
// It registers itself when the application object is made, so the programs'
// own main() knows nothing of it. A window's first Expose event is seen here
// before the widget handles it (handling it paints and flushes the window),
// so the queued call below runs once that first frame is out.

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QWidget>
#include <QWindow>

namespace {

class ExitWhenShown : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = qobject_cast<QWindow *>(watched);
        if (event->type() != QEvent::Expose || !window || !window->isExposed())
            return false;
        QCoreApplication::instance()->removeEventFilter(this);
        QMetaObject::invokeMethod(
            this,
            [] {
                QFile out;
                const QWidgetList windows = QApplication::topLevelWidgets();
                if (!windows.isEmpty() && out.open(stdout, QIODevice::WriteOnly)) {
                    for (const QAbstractButton *button : windows.first()->findChildren<QAbstractButton *>())
                        out.write(QByteArray(button->text().toUtf8()).append('\n'));
                }
                QCoreApplication::quit();
            },
            Qt::QueuedConnection);
        return false;
    }
};

void install()
{
    QCoreApplication::instance()->installEventFilter(new ExitWhenShown);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
