#pragma once

#include <QRect>

// The windows are laid out in twips (1/1440 inch). Fifteen twips make one
// pixel at 96 dots per inch, which is one logical pixel in Qt; Qt scales
// logical pixels on high-density screens by itself.
struct Twips {
    static constexpr int toPixels(int twips) { return (twips + 7) / 15; }
    static constexpr QRect rect(int left, int top, int width, int height)
    {
        return QRect(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
    }
};
