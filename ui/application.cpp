#include "ui/application.h"

#include "sedarioconfig.h"
#include "sheet/chinesefonts.h"

#include <QApplication>

void Application::setUp()
{
    QApplication::setApplicationName(QStringLiteral("Sedario"));
    QApplication::setApplicationVersion(QString::fromUtf16(SedarioConfig::Version));
    // Lets the desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(QString::fromUtf16(SedarioConfig::AppId));
    QApplication::setFont(ChineseFonts::interfaceFont(QApplication::font()));
}
