// The automatic fit: responses made of bands on the unit's steps are found again almost exactly on
// both channels, the result is the same on every run and stays within the unit's steps, and a
// stop asked for by the progress callback ends the search.
#include "autoeq/auto_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/modules.h"
#include "model/scales.h"

namespace vt::autoeq {
namespace {

using eqfile::FittedBand;

Correction wantedOf(const std::vector<FittedBand>& bands) {
    Correction c;
    c.wanted = bandsCurve(bands);
    return c;
}

void expectOnTheSteps(const AutoFit& a, std::size_t count) {
    ASSERT_EQ(a.fit.bands.size(), count);
    for (const FittedBand& b : a.fit.bands) {
        EXPECT_TRUE(b.type == kPeak || b.type == kLowShelf || b.type == kHighShelf) << b.type;
        EXPECT_GE(b.freqIndex, 0);
        EXPECT_LE(b.freqIndex, kFreqIndexMax);
        EXPECT_GE(b.gainStep, 0);
        EXPECT_LE(b.gainStep, kGainStepMax);
        EXPECT_GE(b.qIndex, 0);
        EXPECT_LE(b.qIndex, b.type == kPeak ? kAutoPeakQIndexMax : kOtherQIndexMax);
        EXPECT_FALSE(b.bypass);
    }
}

TEST(AutoFit, FindsBandsOnTheStepsAgain) {
    const struct {
        const char* name;
        int module;
        std::vector<FittedBand> bands;
    } cases[] = {
        {"main: a low shelf and four peaks",
         kMainModule,
         {{kLowShelf, 90, 150, 20, false, 0},
          {kPeak, 130, 95, 30, false, 0},
          {kPeak, 204, 140, 40, false, 0},
          {kPeak, 280, 90, 25, false, 0},
          {kPeak, 320, 135, 50, false, 0}}},
        {"aux: a peak and a high shelf",
         kAuxModule,
         {{kPeak, 150, 100, 35, false, 0}, {kHighShelf, 300, 140, 25, false, 0}}},
    };
    for (const auto& c : cases) {
        const AutoFit a = autoFit(wantedOf(c.bands), c.module);
        expectOnTheSteps(a,
                         static_cast<std::size_t>(kBandCount[static_cast<std::size_t>(c.module)]));
        EXPECT_GT(a.figures.rmsBeforeDb, 1.0) << c.name;
        EXPECT_LT(a.figures.rmsAfterDb, 0.02) << c.name;
        EXPECT_EQ(a.fit.residual.rmsDb, a.figures.rmsAfterDb) << c.name;
        EXPECT_FALSE(a.cancelled);
    }
}

TEST(AutoFit, SameResultOnEveryRun) {
    // A response the bands cannot follow exactly, so that many near-equal solutions compete.
    Correction c;
    const FitCurve& f = eqfile::fitFrequencies();
    for (std::size_t i = 0; i < eqfile::kFitPoints; ++i)
        c.wanted[i] = 3.0 * std::sin(static_cast<double>(i) / 23.0) +
                      2.0 * std::cos(std::log(f[i]) * 3.0) - 1.0;
    for (int module : {kMainModule, kAuxModule}) {
        const AutoFit first = autoFit(c, module);
        const AutoFit second = autoFit(c, module);
        expectOnTheSteps(first,
                         static_cast<std::size_t>(kBandCount[static_cast<std::size_t>(module)]));
        ASSERT_EQ(first.fit.bands.size(), second.fit.bands.size());
        for (std::size_t b = 0; b < first.fit.bands.size(); ++b) {
            EXPECT_EQ(first.fit.bands[b].type, second.fit.bands[b].type);
            EXPECT_EQ(first.fit.bands[b].freqIndex, second.fit.bands[b].freqIndex);
            EXPECT_EQ(first.fit.bands[b].gainStep, second.fit.bands[b].gainStep);
            EXPECT_EQ(first.fit.bands[b].qIndex, second.fit.bands[b].qIndex);
        }
        EXPECT_EQ(first.figures.rmsAfterDb, second.figures.rmsAfterDb);
        EXPECT_LT(first.figures.rmsAfterDb, first.figures.rmsBeforeDb);
        // Bands come in frequency order.
        for (std::size_t b = 1; b < first.fit.bands.size(); ++b)
            EXPECT_LE(first.fit.bands[b - 1].freqIndex, first.fit.bands[b].freqIndex);
    }
}

TEST(AutoFit, StopsWhenProgressSaysSo) {
    const Correction c = wantedOf({{kPeak, 150, 100, 35, false, 0}});
    int calls = 0;
    double last = 0.0;
    const AutoFit stopped = autoFit(c, kMainModule, [&](double done) {
        EXPECT_GT(done, last);
        last = done;
        return ++calls < 3;
    });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(stopped.fit.bands.empty());
    double end = 0.0;
    EXPECT_FALSE(autoFit(c, kAuxModule, [&](double done) { return (end = done), true; }).cancelled);
    EXPECT_DOUBLE_EQ(end, 1.0);
}

}  // namespace
}  // namespace vt::autoeq
