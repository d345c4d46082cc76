#pragma once

// The running QApplication made Sedario, before its first window: the name,
// the version (which both windows show), the desktop entry the window
// belongs to, and ChineseFonts::interfaceFont() of the desktop's font as the
// whole program's font, which every window and dialog takes. Set once for
// the program, the font also spares loading the desktop's default face
// beside the Chinese one.
class Application
{
public:
    static void setUp();
};
