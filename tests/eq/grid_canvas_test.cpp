// The grid background: colours at known pixels, the 13 gain lines, line ends and restoring.
#include "eq/grid_canvas.h"

#include <gtest/gtest.h>

#include "pixel_colours.h"

namespace vt {
namespace {

using test::colourOf;

class GridCanvasTest : public testing::Test {
  protected:
    GridCanvas canvas{GraphGeometry(1104, 270)};
    void SetUp() override { canvas.BuildGrid(); }
};

TEST_F(GridCanvasTest, ColoursAtKnownPixels) {
    const QColor back = colourOf(kGraphBackground);
    const QColor major = colourOf(kGridMajor);
    const QColor minor = colourOf(kGridMinor);
    const struct {
        const char* what;
        int x, y;
        QColor colour;
    } cases[] = {
        {"empty", 500, 50, back},
        {"0 dB line", 500, 90, major},
        {"-3 dB line", 500, 112, minor},
        {"+9 dB line", 500, 22, minor},
        {"100 Hz line", 327, 50, major},
        {"1 kHz line", 653, 200, major},
        {"20 Hz line", 98, 50, minor},
        {"20 kHz line", 1078, 50, minor},
        {"minor vertical over the 0 dB line", 98, 90, minor},
        {"major vertical over a minor line", 327, 112, major},
        {"left border", 0, 140, major},
        {"right border", 1103, 140, major},
        {"top border over a minor vertical", 98, 0, major},
        {"bottom border over a minor vertical", 98, 269, major},
        {"next to the right border", 1102, 140, back},
    };
    for (const auto& c : cases) EXPECT_EQ(canvas.image().pixelColor(c.x, c.y), c.colour) << c.what;
    EXPECT_EQ(canvas.image().format(), QImage::Format_RGB888);
    EXPECT_EQ(canvas.image().depth(), 24);
}

TEST_F(GridCanvasTest, ThirteenGainLinesOnTheirRows) {
    const QColor back = colourOf(kGraphBackground);
    std::vector<int> rows;
    for (int y = 0; y < 270; ++y)
        if (canvas.image().pixelColor(500, y) != back) rows.push_back(y);
    std::vector<int> expected;
    for (int v = -24; v <= 12; v += 3) expected.push_back(toPixel(canvas.geometry().YOfGain(v)));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(rows.size(), 13u);
}

TEST_F(GridCanvasTest, LinesLeaveTheirEndPixelAndRestoreErasesThem) {
    const QImage grid = canvas.image().copy();
    canvas.SetGridPen(Qt::red, 1);
    canvas.DrawGridLine(400.4, 40.0, 409.6, 40.0);  // columns 400..409, not 410
    canvas.DrawGridLine(450.0, 30.0, 450.0, 35.0);  // rows 30..34, not 35
    EXPECT_EQ(canvas.image().pixelColor(400, 40), QColor(Qt::red));
    EXPECT_EQ(canvas.image().pixelColor(409, 40), QColor(Qt::red));
    EXPECT_EQ(canvas.image().pixelColor(410, 40), grid.pixelColor(410, 40));
    EXPECT_EQ(canvas.image().pixelColor(450, 34), QColor(Qt::red));
    EXPECT_EQ(canvas.image().pixelColor(450, 35), grid.pixelColor(450, 35));
    canvas.RestoreGridBackground();
    EXPECT_EQ(canvas.image(), grid);
}

}  // namespace
}  // namespace vt
