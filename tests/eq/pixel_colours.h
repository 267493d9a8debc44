// Colour checks on rendered pixels shared by the drawing tests.
#pragma once

#include <QColor>
#include <QImage>

#include "eq/graph_style.h"

namespace vt::test {

inline QColor colourOf(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

// Mostly curve: strong red, little blue (the grid and background are grey).
inline bool isCurve(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    return c.red() > 170 && c.blue() < 90;
}

inline bool isCurveExactly(const QImage& image, int x, int y) {
    const QColor c = image.pixelColor(x, y);
    const QColor want = colourOf(kCurveColour);
    return std::abs(c.red() - want.red()) <= 3 && std::abs(c.green() - want.green()) <= 3 &&
           std::abs(c.blue() - want.blue()) <= 3;
}

}  // namespace vt::test
