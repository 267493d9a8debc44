// Cookbook biquad designs and their exact magnitude.
#include "eqfile/exact_response.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace vt::eqfile {
namespace {

struct Angle {
    double s;
    double c;
};

Angle angleOf(double frequency) {
    const double w = 2.0 * std::numbers::pi * frequency / kFitSampleRate;
    return {std::sin(w), std::cos(w)};
}

// Shelf with a given alpha; `high` mirrors the low shelf.
Coefficients shelf(double frequency, double gainDb, bool high, double alphaOverSin) {
    const auto [s, c] = angleOf(frequency);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double root = 2.0 * std::sqrt(a) * s * alphaOverSin;
    const double cc = high ? -c : c;
    const double odd = high ? -1.0 : 1.0;
    return {a * ((a + 1.0) - (a - 1.0) * cc + root),   odd * 2.0 * a * ((a - 1.0) - (a + 1.0) * cc),
            a * ((a + 1.0) - (a - 1.0) * cc - root),   (a + 1.0) + (a - 1.0) * cc + root,
            odd * -2.0 * ((a - 1.0) + (a + 1.0) * cc), (a + 1.0) + (a - 1.0) * cc - root};
}

}  // namespace

const FitCurve& fitFrequencies() {
    static const FitCurve frequencies = [] {
        FitCurve f{};
        const double ratio = std::log(kFitHighHz / kFitLowHz) / static_cast<double>(kFitPoints - 1);
        for (std::size_t i = 0; i < kFitPoints; ++i)
            f[i] = kFitLowHz * std::exp(ratio * static_cast<double>(i));
        f[kFitPoints - 1] = kFitHighHz;
        return f;
    }();
    return frequencies;
}

Coefficients cookbookPeak(double frequency, double gainDb, double q) {
    const auto [s, c] = angleOf(frequency);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double alpha = s / (2.0 * q);
    return {1.0 + alpha * a, -2.0 * c, 1.0 - alpha * a, 1.0 + alpha / a, -2.0 * c, 1.0 - alpha / a};
}

Coefficients cookbookShelfQ(double frequency, double gainDb, double q, bool high) {
    return shelf(frequency, gainDb, high, 1.0 / (2.0 * q));
}

Coefficients cookbookShelfSlope(double frequency, double gainDb, double slope, bool high) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double inner = (a + 1.0 / a) * (1.0 / slope - 1.0) + 2.0;
    // A slope so steep that the shelf would need a negative damping is taken at the limit.
    return shelf(frequency, gainDb, high, 0.5 * std::sqrt(std::max(inner, 0.0)));
}

Coefficients cookbookPass(double frequency, double q, bool lowPass) {
    const auto [s, c] = angleOf(frequency);
    const double alpha = s / (2.0 * q);
    const double k = lowPass ? 1.0 - c : 1.0 + c;
    return {k / 2.0, lowPass ? k : -k, k / 2.0, 1.0 + alpha, -2.0 * c, 1.0 - alpha};
}

Coefficients bandSection(int type, double frequency, double gainDb, double q) {
    switch (type) {
        case 0:
            return cookbookPeak(frequency, gainDb, q);
        case 1:
        case 2:
            return cookbookShelfSlope(frequency, gainDb, q, type == 2);
        case 3:
        case 4:
            return cookbookPass(frequency, q, type == 4);
        default:
            return {};
    }
}

void addResponse(const Coefficients& f, FitCurve& curve) {
    const FitCurve& freq = fitFrequencies();
    for (std::size_t i = 0; i < kFitPoints; ++i) {
        const double w = 2.0 * std::numbers::pi * freq[i] / kFitSampleRate;
        const std::complex<double> z = std::polar(1.0, -w);
        const std::complex<double> h =
            (f.b0 + z * (f.b1 + z * f.b2)) / (f.a0 + z * (f.a1 + z * f.a2));
        const double magnitude = std::abs(h);
        // A zero of the section exactly on a fit frequency is drawn at -300 dB, not -infinity.
        curve[i] += 20.0 * std::log10(std::max(magnitude, 1e-15));
    }
}

void addCurve(FitCurve& to, const FitCurve& curve, double sign) {
    for (std::size_t i = 0; i < kFitPoints; ++i) to[i] += sign * curve[i];
}

Residual residualOf(const FitCurve& a, const FitCurve& b) {
    Residual r;
    double sum = 0.0;
    for (std::size_t i = 0; i < kFitPoints; ++i) {
        const double d = a[i] - b[i];
        r.maxAbsDb = std::max(r.maxAbsDb, std::abs(d));
        sum += d * d;
    }
    r.rmsDb = std::sqrt(sum / static_cast<double>(kFitPoints));
    return r;
}

}  // namespace vt::eqfile
