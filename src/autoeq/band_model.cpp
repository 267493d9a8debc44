// Continuous bands, their limits and fast responses, and their nearest steps.
#include "autoeq/band_model.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "eqfile/table_steps.h"
#include "model/scales.h"

namespace vt::autoeq {
namespace {

struct Cosines {
    FitCurve once{};   // cos w
    FitCurve twice{};  // cos 2w
    Cosines() {
        const FitCurve& f = eqfile::fitFrequencies();
        for (std::size_t i = 0; i < eqfile::kFitPoints; ++i) {
            const double w = 2.0 * std::numbers::pi * f[i] / eqfile::kFitSampleRate;
            once[i] = std::cos(w);
            twice[i] = std::cos(2.0 * w);
        }
    }
};

const Cosines& cosines() {
    static const Cosines c;
    return c;
}

void addSectionDb(const eqfile::Coefficients& s, FitCurve& curve, double sign) {
    // |b0 + b1 z^-1 + b2 z^-2|^2 = (b0^2 + b1^2 + b2^2) + 2 (b0 b1 + b1 b2) cos w + 2 b0 b2 cos 2w
    const double n0 = s.b0 * s.b0 + s.b1 * s.b1 + s.b2 * s.b2;
    const double n1 = 2.0 * (s.b0 * s.b1 + s.b1 * s.b2);
    const double n2 = 2.0 * s.b0 * s.b2;
    const double d0 = s.a0 * s.a0 + s.a1 * s.a1 + s.a2 * s.a2;
    const double d1 = 2.0 * (s.a0 * s.a1 + s.a1 * s.a2);
    const double d2 = 2.0 * s.a0 * s.a2;
    const Cosines& c = cosines();
    const double scale = sign * 10.0 / std::numbers::ln10;
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i) {
        const double num = n0 + n1 * c.once[i] + n2 * c.twice[i];
        const double den = d0 + d1 * c.once[i] + d2 * c.twice[i];
        curve[i] += scale * std::log(std::max(num, 1e-30) / den);
    }
}

double log2Of(double x) {
    return std::log2(x);
}

}  // namespace

double bandHz(const Band& b) {
    return 1000.0 * std::exp2(b.octaves);
}
double bandQ(const Band& b) {
    return std::exp2(b.log2Q);
}

Limits limitsOf(int type) {
    const int highQ = type == kPeak ? kAutoPeakQIndexMax : kOtherQIndexMax;
    return {log2Of(frequencyValue(0) / 1000.0),
            log2Of(frequencyValue(kFreqIndexMax) / 1000.0),
            gainDb(0),
            gainDb(kGainStepMax),
            log2Of(qValue(0)),
            log2Of(qValue(highQ))};
}

Band clamped(Band b) {
    const Limits l = limitsOf(b.type);
    b.octaves = std::clamp(b.octaves, l.lowOctaves, l.highOctaves);
    b.gainDb = std::clamp(b.gainDb, l.lowGainDb, l.highGainDb);
    b.log2Q = std::clamp(b.log2Q, l.lowLog2Q, l.highLog2Q);
    return b;
}

void addBandDb(const Band& b, FitCurve& curve, double sign) {
    addSectionDb(eqfile::bandSection(b.type, bandHz(b), b.gainDb, bandQ(b)), curve, sign);
}

void addStepsDb(const eqfile::FittedBand& b, FitCurve& curve, double sign) {
    if (b.bypass) return;
    addSectionDb(eqfile::bandSection(b.type, frequencyValue(b.freqIndex), gainDb(b.gainStep),
                                     qValue(b.qIndex)),
                 curve, sign);
}

eqfile::FittedBand nearestSteps(const Band& band) {
    const Band b = clamped(band);
    eqfile::FittedBand s;
    s.type = b.type;
    const double hz = bandHz(b);
    // Nearest by ratio: the snapped index or its neighbour on the value's other side.
    const eqfile::Steps f = eqfile::frequencySteps(hz, 0, kFreqIndexMax);
    const auto distance = [hz](int index) {
        return std::abs(std::log(frequencyValue(index) / hz));
    };
    s.freqIndex = distance(f.other) < distance(f.nearest) ? f.other : f.nearest;
    s.gainStep = eqfile::gainSteps(b.gainDb).nearest;
    const int highQ = b.type == kPeak ? kAutoPeakQIndexMax : kOtherQIndexMax;
    s.qIndex = eqfile::qSteps(bandQ(b), highQ).nearest;
    s.bypass = false;
    return s;
}

double squaredError(const FitCurve& wanted, const FitCurve& model) {
    double sum = 0.0;
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i) {
        const double d = wanted[i] - model[i];
        sum += d * d;
    }
    return sum;
}

}  // namespace vt::autoeq
