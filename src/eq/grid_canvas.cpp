// Building, drawing on and restoring the graph's grid background.
#include "eq/grid_canvas.h"

#include <QPainter>
#include <QPen>
#include <cstring>

#include "eq/graph_style.h"

namespace vt {
namespace {

QColor colourOf(Rgb c) {
    return QColor(c.r, c.g, c.b);
}

}  // namespace

GridCanvas::GridCanvas(const GraphGeometry& geometry)
    : m_geometry(geometry),
      m_image(geometry.width(), geometry.height(), QImage::Format_RGB888),
      m_background(m_image.size(), QImage::Format_RGB888),
      m_penColour(colourOf(kGridMajor)) {
    m_image.fill(colourOf(kGraphBackground));
    m_background.fill(colourOf(kGraphBackground));
}

void GridCanvas::BuildGrid() {
    const GraphGeometry& g = m_geometry;
    const double width = g.width();
    const double height = g.height();
    m_image.fill(colourOf(kGraphBackground));

    for (int v = GraphGeometry::kMinDb; v <= GraphGeometry::kMaxDb; ++v) {
        if (v % kGainLineStep != 0) continue;
        const bool major = v == GraphGeometry::kMinDb || v == 0 || v == GraphGeometry::kMaxDb;
        SetGridPen(colourOf(major ? kGridMajor : kGridMinor), 1);
        DrawGridLine(0, g.YOfGain(v), width, g.YOfGain(v));
    }

    SetGridPen(colourOf(kGridMajor), 1);
    DrawGridLine(0, 0, 0, height);
    for (double f : kMajorFrequencyLines)
        DrawGridLine(g.XOfFrequency(f), 0, g.XOfFrequency(f), height);
    const double right = kPoints * g.pixelsPerPoint() - 1;
    DrawGridLine(right, 0, right, height);

    SetGridPen(colourOf(kGridMinor), 1);
    for (double f : kMinorFrequencyLines)
        DrawGridLine(g.XOfFrequency(f), 0, g.XOfFrequency(f), height);

    SetGridPen(colourOf(kGridMajor), 1);
    for (int v : {GraphGeometry::kMaxDb, GraphGeometry::kMinDb})
        DrawGridLine(0, g.YOfGain(v), width, g.YOfGain(v));

    m_background = m_image.copy();
}

void GridCanvas::RestoreGridBackground() {
    std::memcpy(m_image.bits(), m_background.constBits(),
                static_cast<std::size_t>(m_image.sizeInBytes()));
}

RgbRaster GridCanvas::raster() {
    return {m_image.bits(), m_image.width(), m_image.height(), m_image.bytesPerLine()};
}

void GridCanvas::SetGridPen(QColor colour, int width) {
    m_penColour = colour;
    m_penWidth = width;
}

void GridCanvas::DrawGridLine(double x1, double y1, double x2, double y2) {
    QPainter painter(&m_image);
    // A flat cap leaves the end pixel out, as a move-to/line-to does.
    painter.setPen(QPen(m_penColour, m_penWidth, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(toPixel(x1), toPixel(y1), toPixel(x2), toPixel(y2));
}

}  // namespace vt
