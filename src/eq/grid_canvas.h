// The graph image and its stored background: a 24-bit raster on which the empty grid is built
// once and restored before every curve is drawn.
#pragma once

#include <QColor>
#include <QImage>

#include "eq/graph_geometry.h"
#include "eq/rgb_raster.h"

namespace vt {

class GridCanvas {
  public:
    explicit GridCanvas(const GraphGeometry& geometry);

    // Fills the background, draws the 13 gain lines, the frequency lines and the borders, keeps
    // the result as the background and leaves the image showing it.
    void BuildGrid();
    // The image shows the empty grid again.
    void RestoreGridBackground();

    void SetGridPen(QColor colour, int width);
    // From (Round(x1), Round(y1)) to (Round(x2), Round(y2)); the end pixel itself is not set.
    void DrawGridLine(double x1, double y1, double x2, double y2);

    // The graph image's pixels, for drawing the curve.
    RgbRaster raster();
    QImage& image() { return m_image; }
    const QImage& image() const { return m_image; }
    const QImage& background() const { return m_background; }
    const GraphGeometry& geometry() const { return m_geometry; }

  private:
    GraphGeometry m_geometry;
    QImage m_image;
    QImage m_background;
    QColor m_penColour;
    int m_penWidth = 1;
};

}  // namespace vt
