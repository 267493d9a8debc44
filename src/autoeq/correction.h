// The correction an automatic fit aims at: measurement and target on the fit's 500 frequencies,
// the wanted correction target - measurement within the unit's gain range, and the error figures.
#pragma once

#include <vector>

#include "autoeq/response_file.h"
#include "eqfile/channel_fit.h"
#include "eqfile/exact_response.h"

namespace vt::autoeq {

using eqfile::FitCurve;

// The measurement is levelled so that its mean over the grid points in this band is 0 dB.
inline constexpr double kLevelLowHz = 300.0;
inline constexpr double kLevelHighHz = 3000.0;
// The wanted correction is limited to what a band can give.
inline constexpr double kLowestCorrectionDb = -24.0;
inline constexpr double kHighestCorrectionDb = 12.0;

// `points` (ascending, at least one) on the fit frequencies: linear in log frequency between
// points, held at the first and last level beyond them.
FitCurve onGrid(const std::vector<ResponsePoint>& points);

// Mean of `curve` over the grid points from kLevelLowHz to kLevelHighHz.
double midbandMean(const FitCurve& curve);

struct Correction {
    FitCurve measurement{};  // on the grid, levelled
    FitCurve target{};       // on the grid, as given (0 dB for a flat target)
    FitCurve wanted{};       // clip(target - measurement, -24, +12)
};

// `target` empty: flat.
Correction correctionOf(const std::vector<ResponsePoint>& measurement,
                        const std::vector<ResponsePoint>& target);

struct Figures {
    double rmsBeforeDb = 0.0;  // RMS of the wanted correction
    double rmsAfterDb = 0.0;   // RMS of wanted - EQ
    double maxAfterDb = 0.0;   // largest |wanted - EQ|
};

// The exact response of `bands` (cookbook biquads at 48 kHz, summed in dB).
FitCurve bandsCurve(const std::vector<eqfile::FittedBand>& bands);

Figures figuresOf(const FitCurve& wanted, const FitCurve& eq);

}  // namespace vt::autoeq
