#pragma once

#include <QStringView>

// How a name's writing direction can reach past it: right-to-left letters
// (Arabic script, Hebrew) and the controls that set a direction (U+202A …
// U+202E, U+2066 … U+2069). Chinese and Latin names set none.
class WritingDirection
{
public:
    // True when `text` holds right-to-left letters or direction controls.
    static bool setsOwn(QStringView text);
};
