// The bands an automatic fit works with: a band in continuous values (octaves, dB, log2 Q) within
// the unit's ranges, its fast response on the fit frequencies, and its nearest table steps.
#pragma once

#include <vector>

#include "eqfile/channel_fit.h"
#include "eqfile/exact_response.h"

namespace vt::autoeq {

using eqfile::FitCurve;

// Band types an automatic fit uses (type items of the unit).
inline constexpr int kPeak = 0;
inline constexpr int kLowShelf = 1;
inline constexpr int kHighShelf = 2;
// A peaking band's Q is kept at or below "10.10": narrower bands would fall between the fit
// frequencies (1/50 octave apart) and be judged on too few of them.
inline constexpr int kAutoPeakQIndexMax = 65;

struct Band {
    int type = kPeak;
    double octaves = 0.0;  // log2(frequency / 1 kHz)
    double gainDb = 0.0;
    double log2Q = 0.0;  // log2 of the Q (the slope S of a shelf)
};

double bandHz(const Band& b);
double bandQ(const Band& b);

struct Limits {
    double lowOctaves, highOctaves;
    double lowGainDb, highGainDb;
    double lowLog2Q, highLog2Q;
};
// The unit's ranges for a band of `type`.
Limits limitsOf(int type);
// `b` with every value within limitsOf(b.type).
Band clamped(Band b);

// The band's response in dB on the fit frequencies, from |H|^2 as a ratio of cosine polynomials:
// the same sections as the exact response, evaluated faster for the search.
void addBandDb(const Band& b, FitCurve& curve, double sign = 1.0);
void addStepsDb(const eqfile::FittedBand& b, FitCurve& curve, double sign = 1.0);

// The table steps nearest the band (frequency and Q by ratio, gain to 0.2 dB).
eqfile::FittedBand nearestSteps(const Band& b);

// Sum of squares of wanted - model.
double squaredError(const FitCurve& wanted, const FitCurve& model);

}  // namespace vt::autoeq
