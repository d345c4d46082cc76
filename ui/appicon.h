#pragma once

#include <QIcon>

// Sedario's icon for its windows: the PNG renderings of
// packaging/org.sedario.Sedario.svg at 16, 24, 32, 48, 64, 128 and 256
// pixels, compiled into the program. It needs neither Qt's SVG plugin nor an
// installed icon theme, so every window has it, installed or not.
class AppIcon
{
public:
    static QIcon icon();
};
