#include "ui/chinesefonts.h"
#include "ui/form1.h"
#include "ui/qtdesktop.h"

#include <QApplication>

#ifdef SEDARIO_EXIT_WHEN_SHOWN
#include "bench/startup/exitwhenshown.h"
#endif

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Sedario"_s);
    QApplication::setApplicationVersion(QStringLiteral(SEDARIO_VERSION));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(u"org.sedario.Sedario"_s);

    ChineseFonts::applyToApplication();
    QtDesktop desktop;
    Form1 form(desktop);
    form.show();
#ifdef SEDARIO_EXIT_WHEN_SHOWN
    // Start-up benchmark build only (bench/startup): quit after the first frame.
    ExitWhenShown::install(form);
#endif
    return app.exec();
}
