#pragma once

#include <QFont>
#include <QStringList>
#include <QStringView>

// Fonts that draw Chinese in its Simplified forms whatever the desktop's
// language. Asked for text in a family that covers several regions,
// fontconfig picks the face of the locale's language: under C.UTF-8 or
// en_US.UTF-8 that is the Japanese one (骨, 令, 户 and 刃 change shape).
// Naming the Simplified Chinese faces first keeps them.
class ChineseFonts
{
public:
    // The program's font for its buttons, labels and dialogs: `base` (the
    // desktop's size and style) with Simplified Chinese sans-serif faces
    // first.
    static QFont interfaceFont(const QFont &base);

    // 宋体 (SimSun), which the podium markers and the About window ask for.
    // Where the system has no such font, a Simplified Chinese serif face
    // stands in for it rather than the desktop's sans-serif default.
    static QFont songTi(int pointSize, int weight = QFont::Normal);

    // True when the text holds a script whose letters change shape with
    // their neighbours (Arabic, Mongolian, Tibetan, the Indic scripts, ...):
    // drawn in interfaceFont(), which leaves shaping out, such a name would
    // show as loose letters. Han, Latin, Greek and Cyrillic need none.
    static bool needsShaping(QStringView text);

    // The families of `wanted` that the font database has, in that order, or
    // `wanted` itself when it has none of them.
    static QStringList installed(const QStringList &wanted);
};
