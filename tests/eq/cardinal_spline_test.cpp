// The curve's spline segments: through every point, tangents from the neighbours, ends clamped.
#include "eq/cardinal_spline.h"

#include <gtest/gtest.h>

#include <vector>

namespace vt {
namespace {

std::vector<BezierSegment> segmentsOf(std::vector<PixelPoint> points) {
    std::vector<BezierSegment> out;
    cardinalSpline(points, kCurveTension, [&out](const BezierSegment& s) { out.push_back(s); });
    return out;
}

void expectPoint(SplinePoint p, double x, double y) {
    EXPECT_NEAR(p.x, x, 1e-12);
    EXPECT_NEAR(p.y, y, 1e-12);
}

TEST(CardinalSpline, SegmentsThroughThePointsWithClampedEnds) {
    const auto s = segmentsOf({{0, 0}, {10, 0}, {20, 30}});
    ASSERT_EQ(s.size(), 2u);
    const double k = 0.4 / 3.0;
    // First point: its own position stands in for the missing previous point.
    expectPoint(s[0].from, 0, 0);
    expectPoint(s[0].c1, k * 10, 0);
    // Middle point: tangent from its two neighbours, shared by both segments.
    expectPoint(s[0].c2, 10 - k * 20, 0 - k * 30);
    expectPoint(s[0].to, 10, 0);
    expectPoint(s[1].from, 10, 0);
    expectPoint(s[1].c1, 10 + k * 20, 0 + k * 30);
    // Last point: its own position stands in for the missing next point.
    expectPoint(s[1].c2, 20 - k * 10, 30 - k * 30);
    expectPoint(s[1].to, 20, 30);
}

TEST(CardinalSpline, FewerThanTwoPointsDrawNothing) {
    EXPECT_TRUE(segmentsOf({}).empty());
    EXPECT_TRUE(segmentsOf({{5, 5}}).empty());
}

}  // namespace
}  // namespace vt
