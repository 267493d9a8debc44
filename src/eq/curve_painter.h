// Drawing of the response curve: an antialiased cardinal spline through integer points.
#pragma once

#include <QImage>
#include <span>

#include "eq/graph_geometry.h"

namespace vt {

// Draws the spline through `points` (tension 0.4) with the curve pen. Integer coordinates are
// pixel centres, so a point on row 90 lights row 90.
void drawCurve(QImage& image, std::span<const PixelPoint> points);

}  // namespace vt
