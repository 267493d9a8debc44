// The curve rasterizer: coverage across and at the ends of the stroke, passing through every
// point, and clipping that never writes outside the buffer.
#include "eq/curve_rasterizer.h"

#include <gtest/gtest.h>

#include <vector>

namespace vt {
namespace {

constexpr Rgb kGrey{100, 100, 100};
constexpr Rgb kOrange{212, 120, 34};

// A 40 x 30 raster inside a buffer with guard bytes on every side.
class RasterFixture : public testing::Test {
  protected:
    static constexpr int kWidth = 40, kHeight = 30, kGuard = 64;
    static constexpr std::uint8_t kGuardByte = 0xA5;
    std::vector<std::uint8_t> buffer =
        std::vector<std::uint8_t>(kWidth * 3 * kHeight + 2 * kGuard, kGuardByte);
    RgbRaster raster{buffer.data() + kGuard, kWidth, kHeight, kWidth * 3};
    CurveRasterizer rasterizer;

    void SetUp() override {
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                std::uint8_t* p = raster.pixel(x, y);
                p[0] = kGrey.r, p[1] = kGrey.g, p[2] = kGrey.b;
            }
    }
    void draw(std::vector<PixelPoint> points) {
        rasterizer.drawSpline(raster, points, kCurveTension, kCurveWidth, kOrange);
    }
    // Red channel: 100 for the background, 212 for full coverage.
    int red(int x, int y) const { return raster.pixel(x, y)[0]; }
    bool guardsIntact() const {
        for (int i = 0; i < kGuard; ++i)
            if (buffer[static_cast<std::size_t>(i)] != kGuardByte ||
                buffer[buffer.size() - 1 - static_cast<std::size_t>(i)] != kGuardByte)
                return false;
        return true;
    }
};

TEST_F(RasterFixture, HorizontalStrokeCoversItsRowAndOverhangsByWidth) {
    draw({{5, 10}, {15, 10}, {25, 10}, {35, 10}});
    for (int x = 6; x <= 34; ++x) {
        ASSERT_EQ(red(x, 10), 212) << x;
        // A 1.8-pixel stroke overhangs the neighbouring rows by 0.4 of a pixel.
        ASSERT_NEAR(red(x, 9), 100 + 0.4 * 112, 1) << x;
        ASSERT_NEAR(red(x, 11), 100 + 0.4 * 112, 1) << x;
        ASSERT_EQ(red(x, 8), 100) << x;
        ASSERT_EQ(red(x, 12), 100) << x;
    }
    // Flat ends: half of the end pixel, nothing beyond it.
    EXPECT_NEAR(red(35, 10), 100 + 0.5 * 112, 1);
    EXPECT_EQ(red(36, 10), 100);
    EXPECT_EQ(red(4, 10), 100);
}

TEST_F(RasterFixture, PassesThroughEveryInnerPoint) {
    const std::vector<PixelPoint> points{{2, 25}, {6, 3}, {9, 27}, {12, 15}, {20, 16}, {30, 2}};
    draw(points);
    for (std::size_t i = 1; i + 1 < points.size(); ++i)
        EXPECT_EQ(raster.pixel(points[i].x, points[i].y)[2], kOrange.b) << i;
}

TEST_F(RasterFixture, ClipsEverythingOutsideTheRaster) {
    draw({{-1000000, -1000000}, {20, 15}, {1000000, 40}, {39, 1000000}, {-5, 29}});
    draw({{-50, -50}, {-10, -60}});
    draw({{0, 0}});
    EXPECT_TRUE(guardsIntact());
    EXPECT_EQ(red(20, 15), 212);
}

}  // namespace
}  // namespace vt
