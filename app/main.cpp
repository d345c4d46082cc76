#include "ui/application.h"
#include "ui/form1.h"
#include "ui/qtdesktop.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    Application::setUp();
    QtDesktop desktop;
    Form1 form(desktop);
    form.show();
    return app.exec();
}
