// The graph's coordinate system: logarithmic frequency axis, linear gain axis, and the mappings
// between frequency or gain and pixel position for a graph image of a given size.
#pragma once

#include "eq/point_grid.h"

namespace vt {

struct PixelPoint {
    int x = 0;
    int y = 0;
    bool operator==(const PixelPoint&) const = default;
};

struct PixelSize {
    int width = 0;
    int height = 0;
};

struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

class GraphGeometry {
  public:
    static constexpr int kMinDb = -24;  // gain at the bottom pixel row
    static constexpr int kMaxDb = 12;   // gain at the top pixel row

    GraphGeometry(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    double pixelsPerPoint() const { return m_pixelsPerPoint; }

    // 10 Hz maps to 0, 24 kHz to the image width; f must be positive.
    double XOfFrequency(double f) const;
    // +12 dB maps to row 0, -24 dB to row height - 1.
    double YOfGain(double g) const;
    double FrequencyOfX(double x) const;
    double GainOfY(double y) const;

  private:
    int m_width;
    int m_height;
    double m_pixelsPerPoint;
};

// Round to a pixel coordinate; values far outside any screen are held at +-2^20 and NaN gives 0,
// so a bad band value can never turn into an out-of-range integer.
int toPixel(double coordinate);

}  // namespace vt
