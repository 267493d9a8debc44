// Exact responses for judging a fit: audio-EQ cookbook biquads at 48 kHz, evaluated in double
// precision on 500 log-spaced frequencies from 20 Hz to 20 kHz.
#pragma once

#include <array>
#include <cstddef>

namespace vt::eqfile {

inline constexpr double kFitSampleRate = 48000.0;
inline constexpr std::size_t kFitPoints = 500;
inline constexpr double kFitLowHz = 20.0;
inline constexpr double kFitHighHz = 20000.0;

// dB at each of the 500 frequencies.
using FitCurve = std::array<double, kFitPoints>;

// The frequencies, 20 Hz .. 20 kHz, equal ratios apart.
const FitCurve& fitFrequencies();

struct Coefficients {
    double b0 = 1.0, b1 = 0.0, b2 = 0.0;
    double a0 = 1.0, a1 = 0.0, a2 = 0.0;
};

Coefficients cookbookPeak(double frequency, double gainDb, double q);
// Shelves by Q or by shelf slope S (S = 1 is the steepest slope without overshoot).
Coefficients cookbookShelfQ(double frequency, double gainDb, double q, bool high);
Coefficients cookbookShelfSlope(double frequency, double gainDb, double slope, bool high);
Coefficients cookbookPass(double frequency, double q, bool lowPass);

// The section of a band of the given type item (0 PEQ, 1 LSQ, 2 HSQ, 3 VariQ HP, 4 VariQ LP);
// a shelf's Q is its slope S, a pass ignores the gain. Any other type is a section of 0 dB.
Coefficients bandSection(int type, double frequency, double gainDb, double q);

// Adds 20 log10 |H| of `section` at every fit frequency to `curve`.
void addResponse(const Coefficients& section, FitCurve& curve);

// to += sign x curve, point by point (the responses of cascaded sections add in dB).
void addCurve(FitCurve& to, const FitCurve& curve, double sign = 1.0);

struct Residual {
    double maxAbsDb = 0.0;
    double rmsDb = 0.0;
};

// Largest absolute and root-mean-square value of a - b.
Residual residualOf(const FitCurve& a, const FitCurve& b);

}  // namespace vt::eqfile
