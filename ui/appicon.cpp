#include "ui/appicon.h"

#include <QDirIterator>

using namespace Qt::StringLiterals;

QIcon AppIcon::icon()
{
    // ui/CMakeLists.txt compiles the sizes into this folder of the resource;
    // taking whatever it holds keeps that list the only one. Each file is
    // added with the size read from it, so a window system that asks for one
    // of them gets the drawn image rather than a scaled one.
    QIcon icon;
    QDirIterator images(u":/sedario/icons"_s, {u"*.png"_s}, QDir::Files, QDirIterator::Subdirectories);
    while (images.hasNext())
        icon.addFile(images.next());
    return icon;
}
