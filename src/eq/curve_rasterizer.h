// The response curve's own rasterizer: a cardinal spline flattened into short chords and stroked
// with antialiasing straight into a 24-bit buffer. Integer coordinates are pixel centres, so a
// point on row 90 lights row 90 fully and rows 89 and 91 by the stroke's overhang.
#pragma once

#include <span>
#include <vector>

#include "eq/cardinal_spline.h"
#include "eq/graph_style.h"
#include "eq/rgb_raster.h"

namespace vt {

class CurveRasterizer {
  public:
    // Strokes the spline through `points` (at least two) with the given tension, width and colour,
    // flat at both ends. Everything outside the raster is clipped.
    void drawSpline(const RgbRaster& target, std::span<const PixelPoint> points, double tension,
                    double width, Rgb colour);

  private:
    // The stroke stops flat at its first and last point: pixels near an end are cut by their
    // position along the inward direction, so the pixel centred on the end is half covered.
    struct FlatEnd {
        SplinePoint point;
        double inwardX = 0.0, inwardY = 0.0;
        double reach = 0.0;  // 0: no cut (a zero-length end chord)

        static FlatEnd at(SplinePoint end, SplinePoint inner, double halfWidth);
        // Whether a chord ending at `p` can reach the pixels this end cuts.
        bool near(SplinePoint p) const;
        double cut(int x, int y) const;
    };

    void flatten(std::span<const PixelPoint> points, double tension);
    void strokeChord(std::size_t index, double halfWidth);
    void blend(Rgb colour);

    RgbRaster m_target;
    FlatEnd m_start;
    FlatEnd m_end;
    std::vector<SplinePoint> m_polyline;
    std::vector<std::uint8_t> m_coverage;  // per pixel, the largest coverage of any chord
    std::vector<std::size_t> m_touched;    // pixels whose coverage is not zero
};

}  // namespace vt
