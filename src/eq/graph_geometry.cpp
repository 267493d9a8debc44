// Frequency and gain <-> pixel mappings of the graph.
#include "eq/graph_geometry.h"

#include <algorithm>
#include <cmath>

#include "model/rounding.h"

namespace vt {

GraphGeometry::GraphGeometry(int width, int height)
    : m_width(width), m_height(height), m_pixelsPerPoint(static_cast<double>(width) / kPoints) {}

double GraphGeometry::XOfFrequency(double f) const {
    return (std::log10(f) - 1.0) / kDecades * kPoints * m_pixelsPerPoint;
}

double GraphGeometry::YOfGain(double g) const {
    return (kMaxDb - g) / (kMaxDb - kMinDb) * (m_height - 1);
}

double GraphGeometry::FrequencyOfX(double x) const {
    return std::pow(10.0, x * kDecades / (kPoints * m_pixelsPerPoint) + 1.0);
}

double GraphGeometry::GainOfY(double y) const {
    return kMaxDb - y / (m_height - 1) * (kMaxDb - kMinDb);
}

int toPixel(double coordinate) {
    constexpr double kLimit = 1 << 20;
    if (std::isnan(coordinate)) return 0;
    return static_cast<int>(roundHalfEven(std::clamp(coordinate, -kLimit, kLimit)));
}

}  // namespace vt
