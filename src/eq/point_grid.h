// The graph's logarithmic point grid: 463 points from 10 Hz to 24 kHz, the mapping between
// frequency and fractional point index, and the response array indexed by point.
#pragma once

#include <array>
#include <cstddef>

namespace vt {

inline constexpr int kPoints = 462;  // point intervals; points are numbered 0..kPoints
inline constexpr std::size_t kPointCount = kPoints + 1;
inline constexpr double kDecades = 3.380211241711606;  // log10(2400): 10 Hz .. 24 kHz
inline constexpr int kCentreIndex = 231;               // Round(kPoints / 2)

// One dB value per graph point (a slot's response) or per prototype index.
using Response = std::array<float, kPointCount>;

// Fractional point index of a frequency; frequencies below 1 Hz count as 1 Hz.
double PointOfFrequency(double frequency);

// Frequency of a (fractional) point index.
double FrequencyOfPoint(double point);

}  // namespace vt
