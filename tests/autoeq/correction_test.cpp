// The wanted correction and its figures against a hand computation: a measurement that rises
// linearly in log frequency, levelled on 300 Hz .. 3 kHz, clipped, with a target on top.
#include "autoeq/correction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace vt::autoeq {
namespace {

// Ten points on the line L * log1000(f / 20 Hz) from 20 Hz to 20 kHz: on grid point i
// (f = 20 Hz * 1000^(i/499)) the measurement is L * i / 499.
std::vector<ResponsePoint> rising(double l) {
    std::vector<ResponsePoint> points;
    for (int k = 0; k < 10; ++k) {
        const double fraction = k / 9.0;
        points.push_back({20.0 * std::pow(1000.0, fraction), l * fraction});
    }
    return points;
}

TEST(Correction, FiguresOfARisingMeasurementByHand) {
    // Grid points 196..361 lie within 300 Hz .. 3 kHz (499 log10(15)/3 = 195.6,
    // 499 log10(150)/3 = 361.96); their mean index is 278.5, so the levelled measurement is
    // L (i - 278.5) / 499 and with a flat target c_i = L (278.5 - i) / 499.
    const double l = 10.0;
    const Correction c = correctionOf(rising(l), {});
    EXPECT_NEAR(midbandMean(onGrid(rising(l))), l * 278.5 / 499.0, 1e-9);
    for (std::size_t i : {0u, 196u, 278u, 361u, 499u}) {
        EXPECT_NEAR(c.wanted[i], l * (278.5 - static_cast<double>(i)) / 499.0, 1e-9) << i;
        EXPECT_EQ(c.target[i], 0.0);
    }
    // sum over i of (278.5 - i)^2 = sum (i - 249.5)^2 + 500 * 29^2 = 500 (500^2 - 1) / 12 +
    // 500 * 841, so the mean square of c is (L / 499)^2 * 21674.25; with no bands the error is c.
    const Figures none = figuresOf(c.wanted, FitCurve{});
    EXPECT_NEAR(none.rmsBeforeDb, l / 499.0 * std::sqrt(21674.25), 1e-9);  // 2.95034
    EXPECT_NEAR(none.rmsAfterDb, none.rmsBeforeDb, 1e-12);
    EXPECT_NEAR(none.maxAfterDb, l * 278.5 / 499.0, 1e-9);
    // An EQ of the mean of c, L * 29 / 499, removes the 500 * 841 part and halves the extremes.
    FitCurve offset{};
    offset.fill(l * 29.0 / 499.0);
    const Figures shifted = figuresOf(c.wanted, offset);
    EXPECT_NEAR(shifted.rmsBeforeDb, none.rmsBeforeDb, 1e-12);
    EXPECT_NEAR(shifted.rmsAfterDb, l / 499.0 * std::sqrt(500.0 * 500.0 - 1.0) / std::sqrt(12.0),
                1e-9);  // 2.89253
    EXPECT_NEAR(shifted.maxAfterDb, l * 249.5 / 499.0, 1e-9);
}

TEST(Correction, ClipsToTheBandRangeAndAddsTheTargetUnshifted) {
    // L = 60: c runs from +33.5 to -26.5 dB and is held at +12 and -24.
    const Correction steep = correctionOf(rising(60.0), {});
    EXPECT_EQ(steep.wanted[0], 12.0);
    EXPECT_EQ(steep.wanted[499], -24.0);
    EXPECT_NEAR(steep.wanted[278], 60.0 * 0.5 / 499.0, 1e-9);

    // A tilted target, held beyond its two points and linear in log frequency between them.
    const std::vector<ResponsePoint> target{{100.0, 2.0}, {1000.0, -2.0}};
    const Correction c = correctionOf(rising(10.0), target);
    const FitCurve& f = eqfile::fitFrequencies();
    for (std::size_t i : {0u, 150u, 250u, 499u}) {
        const double t = std::clamp(2.0 - 4.0 * std::log10(f[i] / 100.0), -2.0, 2.0);
        EXPECT_NEAR(c.target[i], t, 1e-9) << i;
        EXPECT_NEAR(c.wanted[i], t - 10.0 * (static_cast<double>(i) - 278.5) / 499.0, 1e-9) << i;
    }
}

TEST(Correction, BandsCurveIsTheSumOfTheExactBandResponses) {
    eqfile::FittedBand peak{0, 204, 150, 25, false, 0};   // 1 kHz +6 dB Q 1
    eqfile::FittedBand shelf{1, 100, 100, 25, false, 0};  // low shelf -4 dB
    const FitCurve both = bandsCurve({peak, shelf});
    const FitCurve a = eqfile::bandCurve(peak), b = eqfile::bandCurve(shelf);
    for (std::size_t i = 0; i < eqfile::kFitPoints; i += 37) EXPECT_EQ(both[i], a[i] + b[i]);
}

}  // namespace
}  // namespace vt::autoeq
