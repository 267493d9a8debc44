// Nearest table steps and their neighbours, from the snapping of the value scales.
#include "eqfile/table_steps.h"

#include <algorithm>

#include "model/scales.h"

namespace vt::eqfile {

Steps frequencySteps(double hz, int lowest, int highest) {
    const int n = std::clamp(static_cast<int>(SnapToScale(kViewFreq, hz)), lowest, highest);
    const int o = frequencyValue(n) < hz ? n + 1 : n - 1;
    return {n, std::clamp(o, lowest, highest)};
}

Steps gainSteps(double db) {
    const double clamped = std::clamp(db, gainDb(0), gainDb(kGainStepMax));
    const int n = std::clamp(static_cast<int>(SnapToScale(kViewGain, clamped)), 0, kGainStepMax);
    const int o = gainDb(n) < clamped ? n + 1 : n - 1;
    return {n, std::clamp(o, 0, kGainStepMax)};
}

Steps qSteps(double q, int highest) {
    const int above = std::min(static_cast<int>(SnapToScale(kViewQ, q)), highest);
    const int below = std::max(above - 1, 0);
    const bool belowNearer = q / qValue(below) <= qValue(above) / q;
    return belowNearer ? Steps{below, above} : Steps{above, below};
}

}  // namespace vt::eqfile
