#pragma once

#include <QPoint>

// Window sizes and offsets are kept in twips; the screen counts 15 to a pixel.
inline constexpr int kTwipsPerPixel = 15;
constexpr int TwipsToPixels(int twips)
{
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// A point the given twips right of and below a window's top-left corner.
inline QPoint OffsetByTwips(const QPoint& topLeft, int twips)
{
    return topLeft + QPoint(TwipsToPixels(twips), TwipsToPixels(twips));
}
