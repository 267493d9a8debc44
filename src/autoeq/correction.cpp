// Interpolation onto the fit frequencies, levelling, the wanted correction and its error figures.
#include "autoeq/correction.h"

#include <algorithm>
#include <cmath>

namespace vt::autoeq {

FitCurve onGrid(const std::vector<ResponsePoint>& points) {
    FitCurve curve{};
    const FitCurve& grid = eqfile::fitFrequencies();
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i) {
        const double f = grid[i];
        if (f <= points.front().hz) {
            curve[i] = points.front().db;
            continue;
        }
        if (f >= points.back().hz) {
            curve[i] = points.back().db;
            continue;
        }
        const auto above =
            std::upper_bound(points.begin(), points.end(), f,
                             [](double hz, const ResponsePoint& p) { return hz < p.hz; });
        const ResponsePoint& a = *(above - 1);
        const ResponsePoint& b = *above;
        const double t = std::log(f / a.hz) / std::log(b.hz / a.hz);
        curve[i] = a.db + t * (b.db - a.db);
    }
    return curve;
}

double midbandMean(const FitCurve& curve) {
    const FitCurve& grid = eqfile::fitFrequencies();
    double sum = 0.0;
    int count = 0;
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i)
        if (grid[i] >= kLevelLowHz && grid[i] <= kLevelHighHz) {
            sum += curve[i];
            ++count;
        }
    return sum / count;
}

Correction correctionOf(const std::vector<ResponsePoint>& measurement,
                        const std::vector<ResponsePoint>& target) {
    Correction c;
    c.measurement = onGrid(measurement);
    const double level = midbandMean(c.measurement);
    for (double& v : c.measurement) v -= level;
    if (!target.empty()) c.target = onGrid(target);
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i)
        c.wanted[i] =
            std::clamp(c.target[i] - c.measurement[i], kLowestCorrectionDb, kHighestCorrectionDb);
    return c;
}

FitCurve bandsCurve(const std::vector<eqfile::FittedBand>& bands) {
    FitCurve eq{};
    for (const auto& b : bands) eqfile::addCurve(eq, eqfile::bandCurve(b));
    return eq;
}

Figures figuresOf(const FitCurve& wanted, const FitCurve& eq) {
    const eqfile::Residual after = eqfile::residualOf(wanted, eq);
    return {eqfile::residualOf(wanted, FitCurve{}).rmsDb, after.rmsDb, after.maxAbsDb};
}

}  // namespace vt::autoeq
