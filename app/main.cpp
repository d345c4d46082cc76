#include "ui/form1.h"
#include "ui/qtdesktop.h"

#include <QApplication>

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(u"Sedario"_s);
    QApplication::setApplicationVersion(QStringLiteral(SEDARIO_VERSION));

    QtDesktop desktop;
    Form1 form(desktop);
    form.show();
    return app.exec();
}
