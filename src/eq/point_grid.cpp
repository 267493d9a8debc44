// Frequency <-> point index on the logarithmic graph axis.
#include "eq/point_grid.h"

#include <algorithm>
#include <cmath>

namespace vt {

double PointOfFrequency(double frequency) {
    return (std::log10(std::max(frequency, 1.0)) - 1.0) / kDecades * kPoints;
}

double FrequencyOfPoint(double point) {
    return std::pow(10.0, point * kDecades / kPoints + 1.0);
}

}  // namespace vt
