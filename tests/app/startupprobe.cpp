// Linked into app/main.cpp, so that the program starts as it does for the
// teacher: once its window is on the screen, this prints what the start-up
// made of the program, in one line, and ends it:
//   <name> | <version> | <desktop entry> | <font> | <status bar panel 2> | <seat 0>

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

class StartupProbe : public QObject
{
protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Expose || !qobject_cast<QWindow *>(watched))
            return false;
        QCoreApplication::instance()->removeEventFilter(this);
        QMetaObject::invokeMethod(this, &StartupProbe::report, Qt::QueuedConnection);
        return false;
    }

private:
    void report()
    {
        const QWidget *window = QApplication::topLevelWidgets().value(0);
        const QStringList seen{QCoreApplication::applicationName(),
                               QCoreApplication::applicationVersion(),
                               QGuiApplication::desktopFileName(),
                               QApplication::font().families().value(0),
                               window->findChild<QLabel *>(u"StatusBar1_Panel2"_s)->text(),
                               window->findChild<QPushButton *>(u"Command1_0"_s)->text()};
        std::fputs((seen.join(u" | "_s) + u'\n').toUtf8().constData(), stdout);
        QCoreApplication::quit();
    }
};

void install()
{
    QCoreApplication::instance()->installEventFilter(new StartupProbe);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(install)
