// Flattening of the spline's Bezier segments and an antialiased stroke built from the distance of
// each pixel centre to the nearest chord.
#include "eq/curve_rasterizer.h"

#include <algorithm>
#include <cmath>

#include "eq/vector_state.h"

namespace vt {
namespace {

// Largest distance, in pixels, between a Bezier segment and its chords.
constexpr double kFlatness = 0.1;
constexpr int kMaxChordsPerSegment = 64;

double norm(double x, double y) {
    return std::sqrt(x * x + y * y);
}

// Chords needed so that a segment deviates from them by at most kFlatness: the deviation of n
// equal steps is at most 3/4 x the larger second difference of the control points / n^2.
int chordsFor(const BezierSegment& s) {
    const double d1 = norm(s.from.x - 2 * s.c1.x + s.c2.x, s.from.y - 2 * s.c1.y + s.c2.y);
    const double d2 = norm(s.c1.x - 2 * s.c2.x + s.to.x, s.c1.y - 2 * s.c2.y + s.to.y);
    const double n = std::ceil(std::sqrt(0.75 * std::max(d1, d2) / kFlatness));
    return static_cast<int>(std::clamp(n, 1.0, static_cast<double>(kMaxChordsPerSegment)));
}

SplinePoint bezierAt(const BezierSegment& s, double t) {
    const double u = 1.0 - t;
    const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * s.from.x + b * s.c1.x + c * s.c2.x + d * s.to.x,
            a * s.from.y + b * s.c1.y + c * s.c2.y + d * s.to.y};
}

double clamp01(double v) {
    return std::clamp(v, 0.0, 1.0);
}

}  // namespace

CurveRasterizer::FlatEnd CurveRasterizer::FlatEnd::at(SplinePoint end, SplinePoint inner,
                                                      double halfWidth) {
    const double length = norm(inner.x - end.x, inner.y - end.y);
    if (length == 0.0) return {};
    return {end, (inner.x - end.x) / length, (inner.y - end.y) / length, halfWidth + 1.5};
}

bool CurveRasterizer::FlatEnd::near(SplinePoint p) const {
    return reach > 0.0 && std::abs(p.x - point.x) <= 2 * reach &&
           std::abs(p.y - point.y) <= 2 * reach;
}

double CurveRasterizer::FlatEnd::cut(int x, int y) const {
    const double px = x - point.x;
    const double py = y - point.y;
    if (reach == 0.0 || std::abs(px) > reach || std::abs(py) > reach) return 1.0;
    return clamp01(0.5 + px * inwardX + py * inwardY);
}

void CurveRasterizer::drawSpline(const RgbRaster& target, std::span<const PixelPoint> points,
                                 double tension, double width, Rgb colour) {
    clearUpperVectorState();
    if (points.size() < 2 || target.width <= 0 || target.height <= 0) return;
    m_target = target;
    const auto pixels = static_cast<std::size_t>(target.width) * target.height;
    if (m_coverage.size() != pixels) m_coverage.assign(pixels, 0);

    flatten(points, tension);
    const std::size_t last = m_polyline.size() - 1;
    m_start = FlatEnd::at(m_polyline[0], m_polyline[1], width / 2.0);
    m_end = FlatEnd::at(m_polyline[last], m_polyline[last - 1], width / 2.0);
    for (std::size_t i = 0; i + 1 < m_polyline.size(); ++i) strokeChord(i, width / 2.0);
    blend(colour);
}

void CurveRasterizer::flatten(std::span<const PixelPoint> points, double tension) {
    m_polyline.clear();
    m_polyline.push_back({static_cast<double>(points[0].x), static_cast<double>(points[0].y)});
    cardinalSpline(points, tension, [this](const BezierSegment& s) {
        const int n = chordsFor(s);
        for (int k = 1; k < n; ++k) m_polyline.push_back(bezierAt(s, static_cast<double>(k) / n));
        m_polyline.push_back(s.to);  // exactly through every point
    });
}

void CurveRasterizer::strokeChord(std::size_t index, double halfWidth) {
    const SplinePoint a = m_polyline[index];
    const SplinePoint b = m_polyline[index + 1];
    const double reach = halfWidth + 0.5;  // no coverage beyond this distance
    const double left = std::max(std::floor(std::min(a.x, b.x) - reach), 0.0);
    const double right = std::min(std::ceil(std::max(a.x, b.x) + reach), m_target.width - 1.0);
    const double top = std::max(std::floor(std::min(a.y, b.y) - reach), 0.0);
    const double bottom = std::min(std::ceil(std::max(a.y, b.y) + reach), m_target.height - 1.0);
    if (left > right || top > bottom) return;

    const double dx = b.x - a.x;
    const double dy = b.y - a.y;
    const double length2 = dx * dx + dy * dy;
    const double inverse = length2 > 0.0 ? 1.0 / length2 : 0.0;
    const bool cutEnds = m_start.near(a) || m_start.near(b) || m_end.near(a) || m_end.near(b);
    for (int y = static_cast<int>(top); y <= static_cast<int>(bottom); ++y) {
        const double py = y - a.y;
        for (int x = static_cast<int>(left); x <= static_cast<int>(right); ++x) {
            const double px = x - a.x;
            // Distance from the pixel centre to the nearest point of the chord.
            const double t = std::clamp((px * dx + py * dy) * inverse, 0.0, 1.0);
            const double ex = px - t * dx;
            const double ey = py - t * dy;
            double coverage = halfWidth + 0.5 - std::sqrt(ex * ex + ey * ey);
            if (coverage <= 0.0) continue;
            coverage = std::min(coverage, 1.0);
            if (cutEnds) coverage *= m_start.cut(x, y) * m_end.cut(x, y);
            const auto level = static_cast<std::uint8_t>(coverage * 255.0 + 0.5);
            if (level == 0) continue;
            const std::size_t i = static_cast<std::size_t>(y) * m_target.width + x;
            if (m_coverage[i] == 0) m_touched.push_back(i);
            m_coverage[i] = std::max(m_coverage[i], level);
        }
    }
}

void CurveRasterizer::blend(Rgb colour) {
    const int w = m_target.width;
    const int source[3] = {colour.r, colour.g, colour.b};
    for (std::size_t i : m_touched) {
        const int a = m_coverage[i];
        std::uint8_t* p = m_target.pixel(static_cast<int>(i % w), static_cast<int>(i / w));
        for (int c = 0; c < 3; ++c)
            p[c] = static_cast<std::uint8_t>((p[c] * (255 - a) + source[c] * a + 127) / 255);
        m_coverage[i] = 0;
    }
    m_touched.clear();
}

}  // namespace vt
