// The curve as one path of cubic Bezier segments, stroked with antialiasing.
#include "eq/curve_painter.h"

#include <QPainter>
#include <QPainterPath>
#include <QPen>

#include "eq/cardinal_spline.h"
#include "eq/graph_style.h"

namespace vt {

void drawCurve(QImage& image, std::span<const PixelPoint> points) {
    if (points.size() < 2) return;
    QPainterPath path;
    path.moveTo(points[0].x, points[0].y);
    cardinalSpline(points, kCurveTension, [&path](const BezierSegment& s) {
        path.cubicTo(s.c1.x, s.c1.y, s.c2.x, s.c2.y, s.to.x, s.to.y);
    });
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(0.5, 0.5);
    painter.setPen(QPen(QColor(kCurveColour.r, kCurveColour.g, kCurveColour.b), kCurveWidth,
                        Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    painter.drawPath(path);
}

}  // namespace vt
