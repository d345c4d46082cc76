// For the start-up benchmark, and the test of the program's own start-up:
// linked into a program, it ends the program once its first window is on the
// screen and has been painted for the first time. Before quitting, the
// captions of that window's buttons and then the texts of its labels go to
// standard output, one a line, so the benchmark can check that the window it
// timed showed the class list (and the test, that the program was set up).
//
// It registers itself when the application object is made, so the programs'
// own main() knows nothing of it. A window's first Expose event is seen here
// before the widget handles it (handling it paints and flushes the window),
// so the queued call below runs once that first frame is out.

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QWidget>
#include <QWindow>

#include <algorithm>

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
        // The widget whose window this is: the first one shown.
        const QWidgetList widgets = QApplication::topLevelWidgets();
        const auto shown = std::find_if(widgets.begin(), widgets.end(), [&](QWidget *w) { return w->windowHandle() == window; });
        QMetaObject::invokeMethod(
            this,
            [widget = shown == widgets.end() ? nullptr : *shown] {
                QFile out;
                if (widget && out.open(stdout, QIODevice::WriteOnly)) {
                    for (const QAbstractButton *button : widget->findChildren<QAbstractButton *>())
                        out.write(QByteArray(button->text().toUtf8()).append('\n'));
                    for (const QLabel *label : widget->findChildren<QLabel *>())
                        out.write(QByteArray(label->text().toUtf8()).append('\n'));
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
