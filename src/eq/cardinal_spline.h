// A cardinal spline through a run of points, as cubic Bezier segments: the tangent at a point is
// tension / 3 x (next point - previous point), with the first and last points standing in for
// their missing neighbours.
#pragma once

#include <cstddef>
#include <span>

#include "eq/graph_geometry.h"

namespace vt {

inline constexpr double kCurveTension = 0.4;

struct SplinePoint {
    double x = 0.0;
    double y = 0.0;
};

// One segment from `from` to `to` with control points `c1` and `c2`.
struct BezierSegment {
    SplinePoint from, c1, c2, to;
};

// Calls `onSegment(const BezierSegment&)` for the points.size() - 1 segments, in order.
template <typename OnSegment>
void cardinalSpline(std::span<const PixelPoint> points, double tension, OnSegment&& onSegment) {
    const std::size_t n = points.size();
    if (n < 2) return;
    const double k = tension / 3.0;
    auto at = [&](std::size_t i) {
        return SplinePoint{static_cast<double>(points[i].x), static_cast<double>(points[i].y)};
    };
    auto tangent = [&](std::size_t i) {
        const SplinePoint prev = at(i == 0 ? 0 : i - 1);
        const SplinePoint next = at(i + 1 < n ? i + 1 : n - 1);
        return SplinePoint{k * (next.x - prev.x), k * (next.y - prev.y)};
    };
    SplinePoint t0 = tangent(0);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const SplinePoint p0 = at(i);
        const SplinePoint p1 = at(i + 1);
        const SplinePoint t1 = tangent(i + 1);
        onSegment(BezierSegment{p0, {p0.x + t0.x, p0.y + t0.y}, {p1.x - t1.x, p1.y - t1.y}, p1});
        t0 = t1;
    }
}

}  // namespace vt
