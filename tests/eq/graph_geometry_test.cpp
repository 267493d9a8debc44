// Graph coordinates of the 1104 x 270 graph and the placement of the axis labels.
#include "eq/graph_geometry.h"

#include <gtest/gtest.h>

#include <cmath>

#include "eq/axis_labels.h"

namespace vt {
namespace {

const GraphGeometry kGraph(1104, 270);

TEST(GraphGeometry, FrequencyAxis) {
    const struct {
        double f;
        double x;
    } cases[] = {{10, 0.0},       {20, 98.32},      {100, 326.61},  {1000, 653.21},
                 {10000, 979.82}, {20600, 1082.33}, {24000, 1104.0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(kGraph.XOfFrequency(c.f), c.x, 0.005) << c.f;
        EXPECT_NEAR(kGraph.FrequencyOfX(kGraph.XOfFrequency(c.f)), c.f, c.f * 1e-12) << c.f;
    }
    EXPECT_DOUBLE_EQ(kGraph.FrequencyOfX(0), 10.0);
    EXPECT_NEAR(kGraph.pixelsPerPoint(), 2.3896, 1e-4);
}

TEST(GraphGeometry, GainAxis) {
    const struct {
        double g;
        double y;
    } cases[] = {{12, 0.0}, {0, 89.67}, {-12, 179.33}, {-24, 269.0}};
    for (const auto& c : cases) {
        EXPECT_NEAR(kGraph.YOfGain(c.g), c.y, 0.005) << c.g;
        EXPECT_NEAR(kGraph.GainOfY(kGraph.YOfGain(c.g)), c.g, 1e-12) << c.g;
    }
    EXPECT_DOUBLE_EQ(kGraph.GainOfY(0), 12.0);
    EXPECT_DOUBLE_EQ(kGraph.GainOfY(269), -24.0);
    // The mappings do not clamp.
    EXPECT_GT(kGraph.GainOfY(-10), 12.0);
    EXPECT_LT(kGraph.YOfGain(20), 0.0);
}

TEST(ToPixel, RoundsHalfToEvenAndHoldsNonsense) {
    EXPECT_EQ(toPixel(89.67), 90);
    EXPECT_EQ(toPixel(2.5), 2);
    EXPECT_EQ(toPixel(-8.5), -8);
    EXPECT_EQ(toPixel(std::nan("")), 0);
    EXPECT_EQ(toPixel(-INFINITY), -(1 << 20));
    EXPECT_EQ(toPixel(1e300), 1 << 20);
}

TEST(AxisLabels, PlacedAroundTheGraph) {
    const PixelPoint graph{48, 18};
    // Gain label of 30 x 13: right edge 2 px left of the graph, centred on the row.
    EXPECT_EQ(gainLabelPosition(kGraph, graph, {30, 13}, 0), (PixelPoint{16, 90 + 18 - 6}));
    EXPECT_EQ(gainLabelPosition(kGraph, graph, {30, 13}, 12), (PixelPoint{16, 18 - 6}));
    // Frequency label of 35 x 13 centred on 1 kHz (column 653), below the image.
    EXPECT_EQ(frequencyLabelPosition(kGraph, graph, {35, 13}, 1000),
              (PixelPoint{653 + 48 - 17, 18 + 270}));
}

}  // namespace
}  // namespace vt
