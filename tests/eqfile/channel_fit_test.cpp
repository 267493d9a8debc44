// Fitting filter lists to a channel: exact steps, neighbouring steps, the best subset, shelves
// and passes, defaults for leftover bands, the residual, and the writes that apply a fit.
#include "eqfile/channel_fit.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/eq_defaults.h"
#include "model/modules.h"
#include "model/scales.h"

namespace vt::eqfile {
namespace {

ChannelFit fit(const std::string& text, int module = kMainModule) {
    return fitChannel(readFilterFile(text), module);
}

TEST(ChannelFit, ValuesOnTheUnitsStepsAreFittedExactly) {
    const ChannelFit f =
        fit("Filter 1: ON PK Fc 125.0 Hz Gain -3.0 dB Q 1.00\n"
            "Filter 2: ON PK Fc 1.02 kHz Gain 2.4 dB Q 4.00\n"
            "Filter 3: ON LSC 12 dB Fc 101.0 Hz Gain 4.6 dB\n"
            "Filter 4: ON HSC Fc 6350.0 Hz Gain -2.2 dB Q 0.7071\n"
            "Filter 5: ON PK Fc 19.7 Hz Gain -24 dB Q 0.1\n"
            "Filter 6: ON PK Fc 20600 Hz Gain 12 dB Q 128\n");
    ASSERT_EQ(f.bands.size(), 9u);
    const struct {
        int type, freq, gain, q;
    } want[] = {{0, 96, 105, 25},  {0, 205, 132, 49}, {1, 85, 143, 25},
                {2, 300, 109, 25}, {0, 0, 0, 0},      {0, 361, 180, 109}};
    for (std::size_t b = 0; b < std::size(want); ++b) {
        EXPECT_EQ(f.bands[b].type, want[b].type) << "band " << b + 1;
        EXPECT_EQ(f.bands[b].freqIndex, want[b].freq) << "band " << b + 1;
        EXPECT_EQ(f.bands[b].gainStep, want[b].gain) << "band " << b + 1;
        EXPECT_EQ(f.bands[b].qIndex, want[b].q) << "band " << b + 1;
        EXPECT_FALSE(f.bands[b].bypass);
    }
    EXPECT_LT(f.residual.maxAbsDb, 0.01);
    EXPECT_TRUE(f.dropped.empty());
    // Bands the file does not use are left at the EQ Reset defaults of their position.
    for (int b = 6; b < 9; ++b) {
        const FittedBand& band = f.bands[static_cast<std::size_t>(b)];
        EXPECT_EQ(band.freqIndex, eqDefaultValue(kMainModule, b, kFieldFreq));
        EXPECT_EQ(band.gainStep, kGainStepZero);
        EXPECT_EQ(band.qIndex, kDefaultPeakQIndex);
        EXPECT_EQ(band.line, 0);
    }
}

TEST(ChannelFit, HandComputedResidualOfOneBand) {
    // +13 dB is above the unit's range: the band gets +12 dB at 1 kHz, and the wider Q 0.94 (the
    // step below 1.00) leaves less error than Q 1.00. Worked out on the side from the cookbook
    // peaking formula at 48 kHz over the 500 points: with Q 1.00 the difference would peak at
    // 0.999719 dB with an RMS of 0.323105 dB; with Q 0.94 it peaks at 0.999481 dB, RMS 0.231080 dB.
    const ChannelFit f = fit("Filter: ON PK Fc 1000 Hz Gain 13 dB Q 1\n", kAuxModule);
    EXPECT_EQ(f.bands[0].freqIndex, 204);
    EXPECT_EQ(f.bands[0].gainStep, kGainStepMax);
    EXPECT_EQ(qText(f.bands[0].qIndex), "0.94");
    EXPECT_NEAR(f.residual.maxAbsDb, 0.9994809, 1e-6);
    EXPECT_NEAR(f.residual.rmsDb, 0.2310796, 1e-6);
}

TEST(ChannelFit, NeighbouringStepWinsWhenItFitsBetter) {
    // 1010 Hz is as far from 1000 Hz as from 1020 Hz, and snapping takes the lower step; on the
    // logarithmic axis 1020 Hz is the nearer one, and its residual is smaller.
    const ChannelFit f = fit("Filter: ON PK Fc 1010 Hz Gain 3 dB Q 2\n", kAuxModule);
    EXPECT_EQ(SnapToScale(kViewFreq, 1010.0), 204.0);
    EXPECT_EQ(f.bands[0].freqIndex, 205);
    EXPECT_EQ(f.bands[0].gainStep, 135);
    EXPECT_EQ(qText(f.bands[0].qIndex), "2.00");
}

TEST(ChannelFit, TwelvePeaksForNineBandsKeepTheOnesThatMatter) {
    std::string text = "Preamp: -6 dB\n";
    // Nine strong peaks and three of 0.2 dB, mixed in file order.
    const double freqs[12] = {40, 63, 100, 160, 250, 400, 630, 1000, 1600, 2500, 4000, 6300};
    for (int i = 0; i < 12; ++i) {
        const bool weak = i == 2 || i == 6 || i == 10;
        text += "Filter " + std::to_string(i + 1) + ": ON PK Fc " + std::to_string(freqs[i]) +
                " Hz Gain " + (weak ? "0.2" : "-5.0") + " dB Q 4\n";
    }
    const ChannelFit f = fit(text);
    ASSERT_EQ(f.dropped.size(), 3u);
    EXPECT_EQ(f.dropped[0].line, 4);
    EXPECT_EQ(f.dropped[1].line, 8);
    EXPECT_EQ(f.dropped[2].line, 12);
    // The kept ones stay in file order, one per band.
    for (const auto& b : f.bands) EXPECT_EQ(b.gainStep, 95);
    for (std::size_t b = 1; b < f.bands.size(); ++b)
        EXPECT_LT(f.bands[b - 1].line, f.bands[b].line);
    // What remains is the three weak peaks (0.2 dB each, well apart).
    EXPECT_NEAR(f.residual.maxAbsDb, 0.2, 0.05);
    ASSERT_TRUE(f.preampDb);
    EXPECT_DOUBLE_EQ(*f.preampDb, -6.0);
}

TEST(ChannelFit, ManyFiltersAreBoundedAndStillChooseBands) {
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "Filter: ON PK Fc " + std::to_string(30 + 50 * i) + " Hz Gain " +
                std::to_string(i % 7 - 3) + " dB Q 2\n";
    const ChannelFit f = fit(text);
    EXPECT_EQ(f.bands.size(), 9u);
    EXPECT_EQ(f.dropped.size(), 300u - 9u);
    EXPECT_EQ(f.dropped.back().reason, "more than 256 filters in the file");
}

// Passes are matched in pairs for the 24 dB types: a file of thousands of them is bounded
// before the pairing, like any other filters.
TEST(ChannelFit, ThousandsOfPassesAreBoundedBeforeTheyArePaired) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "Filter: ON HP Fc 100 Hz Q 0.3\n";
    const ChannelFit f = fit(text, kAuxModule);
    EXPECT_EQ(f.dropped.size(), 3000u - 2u);  // two variable-Q bands take the first two
    EXPECT_EQ(f.dropped.back().reason, "more than 256 filters in the file");
}

TEST(ChannelFit, ShelvesAndPassesOnBothChannels) {
    const char* text =
        "Filter 1: ON HP Fc 40 Hz\n"
        "Filter 2: ON LPQ Fc 12 kHz Q 0.5\n"
        "Filter 3: ON LS Fc 100 Hz Gain 3 dB\n"
        "Filter 4: ON HPQ Fc 25 Hz Q 3\n";
    const ChannelFit main = fit(text);
    ASSERT_TRUE(main.highPass);
    EXPECT_EQ(main.highPass->item, 2);  // 12dB Butterworth
    EXPECT_EQ(frequencyText(main.highPass->freqIndex), "40.1");
    ASSERT_TRUE(main.lowPass);
    EXPECT_EQ(main.lowPass->item, 3);  // 12dB Linkwitz-Riley
    EXPECT_EQ(main.bands[0].type, 1);
    EXPECT_EQ(qText(main.bands[0].qIndex), "0.89");  // a bare shelf has the slope 0.9
    // A high-pass the channel filter cannot take is a variable-Q band, its Q within the
    // band type's limit of 1.40: the peak of Q 3 is what the residual then shows.
    EXPECT_EQ(main.bands[1].type, 3);
    EXPECT_EQ(qText(main.bands[1].qIndex), "1.40");
    EXPECT_TRUE(main.dropped.empty());

    // Two Butterworth sections at one frequency are the Auxiliary 24 dB Linkwitz-Riley filter;
    // on Main the second one has no filter left and takes a band.
    const char* pair = "Filter: ON LPQ Fc 80 Hz Q 0.7071\nFilter: ON LPQ Fc 80 Hz Q 0.7071\n";
    const ChannelFit aux = fit(pair, kAuxModule);
    ASSERT_TRUE(aux.lowPass);
    EXPECT_EQ(aux.lowPass->item, 6);
    EXPECT_EQ(aux.lowPass->lines.size(), 2u);
    const ChannelFit mainPair = fit(pair);
    ASSERT_TRUE(mainPair.lowPass);
    EXPECT_EQ(mainPair.lowPass->item, 2);
    EXPECT_EQ(mainPair.bands[0].type, 4);
}

// Every band type but the peaking one takes a Q index of 0..31 ("0.10" to "1.40"), as the
// window's Q boxes allow; the fit and its residual are judged with that limit.
TEST(ChannelFit, OtherBandTypesKeepTheirQWithinTheirLimit) {
    const struct {
        const char* line;
        int type;
        const char* q;
    } rows[] = {
        {"Filter: ON LSC Fc 100 Hz Gain 6 dB Q 1.0", 1, "1.40"},
        {"Filter: ON HSC Fc 5000 Hz Gain -6 dB Q 2", 2, "1.40"},
        {"Filter: ON HPQ Fc 30 Hz Q 2", 3, "1.40"},
        {"Filter: ON LPQ Fc 9000 Hz Q 128", 4, "1.40"},
        {"Filter: ON LSC 12 dB Fc 100 Hz Gain 6 dB", 1, "1.00"},
        {"Filter: ON PK Fc 100 Hz Gain 6 dB Q 2", 0, "2.00"},
    };
    for (const auto& r : rows) {
        const ChannelFit f = fit(r.line);
        EXPECT_EQ(f.bands[0].type, r.type) << r.line;
        EXPECT_EQ(qText(f.bands[0].qIndex), r.q) << r.line;
    }
}

// The shelf named by its corner is fitted at its midpoint, as it sounds: "LS 6dB Fc 50 Hz Gain
// 12 dB" is centred near 100 Hz. A bandwidth is the digital one, and channels are never summed.
TEST(ChannelFit, FileFiltersAreFittedAsTheirAuthorsMeantThem) {
    const ChannelFit corner = fit("Filter: ON LS 6dB Fc 50 Hz Gain 12 dB\n");
    EXPECT_EQ(corner.bands[0].type, 1);
    EXPECT_NEAR(frequencyValue(corner.bands[0].freqIndex), 100.0, 2.0);
    EXPECT_EQ(qText(corner.bands[0].qIndex), "0.50");
    EXPECT_LT(corner.residual.maxAbsDb, 0.1);
    // The same shelf taken at its written corner is up to 3.5 dB away from the file's curve.
    FittedBand atCorner = corner.bands[0];
    atCorner.freqIndex = static_cast<int>(SnapToScale(kViewFreq, 50.0));
    EXPECT_GT(residualOf(bandCurve(atCorner), corner.fileCurve).maxAbsDb, 3.0);

    const ChannelFit bandwidth = fit("Filter: ON PK Fc 10000 Hz Gain 6 dB BW Oct 1\n");
    EXPECT_EQ(qText(bandwidth.bands[0].qIndex), "1.00");  // Q 1.03; read as 1.41 it was 0.9 dB off
    EXPECT_LT(bandwidth.residual.maxAbsDb, 0.2);

    const char* stereo =
        "Channel: L\nFilter: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
        "Channel: R\nFilter: ON PK Fc 100 Hz Gain 3 dB Q 1\n";
    for (SourceChannel side : {SourceChannel::Left, SourceChannel::Right}) {
        const ChannelFit f = fitChannel(readFilterFile(stereo, side), kMainModule);
        EXPECT_EQ(f.bands[0].gainStep, 135);  // +3 dB, not +6
        EXPECT_EQ(f.bands[0].line, side == SourceChannel::Left ? 2 : 4);
        EXPECT_LT(f.residual.maxAbsDb, 0.1);
        ASSERT_EQ(f.dropped.size(), 1u);
        EXPECT_EQ(f.dropped[0].line, side == SourceChannel::Left ? 4 : 2);
    }
}

TEST(ChannelFit, OffFiltersBecomeBypassedBandsWhileBandsAreLeft) {
    const ChannelFit f =
        fit("Filter 1: OFF PK Fc 300 Hz Gain -5 dB Q 2\n"
            "Filter 2: ON PK Fc 100 Hz Gain 3 dB Q 1\n"
            "Filter 3: ON PK Fc 1000 Hz Gain 3 dB Q 1\n",
            kAuxModule);
    // The two that are on take the two bands; the off one has none left.
    EXPECT_EQ(f.bands[0].line, 2);
    EXPECT_EQ(f.bands[1].line, 3);
    ASSERT_EQ(f.dropped.size(), 1u);
    EXPECT_EQ(f.dropped[0].line, 1);

    const ChannelFit g = fit("Filter 1: OFF PK Fc 300 Hz Gain -5 dB Q 2\n", kAuxModule);
    EXPECT_TRUE(g.bands[0].bypass);
    EXPECT_EQ(g.bands[0].gainStep, 95);
    EXPECT_EQ(g.residual.maxAbsDb, 0.0);
}

TEST(ChannelFit, WritesCoverEveryBandFieldThenTheFilters) {
    const ChannelFit f =
        fit("Filter: ON LSC Fc 100 Hz Gain 3 dB Q 0.7071\nFilter: ON HP Fc 40 Hz\n", kAuxModule);
    const auto writes = fitWrites(f);
    ASSERT_EQ(writes.size(), 2u * 5u + 2u);
    // Auxiliary band 1: LSQ with its Q in the shelf's slot, the peak Q slot at its default.
    EXPECT_EQ(writes[0].address, 2 * 256 + 33);
    EXPECT_EQ(writes[0].value, 1);
    EXPECT_EQ(writes[3].value, kDefaultPeakQIndex);
    EXPECT_EQ(writes[4].value, 25);
    // Band 2 is the default flat band at index 185.
    EXPECT_EQ(writes[6].address, 2 * 256 + 39);
    EXPECT_EQ(writes[6].value, 185);
    EXPECT_EQ(writes[10].address, 2 * 256 + slot_ids::kAuxHighPassType);
    EXPECT_EQ(writes[10].value, 2);
    EXPECT_EQ(writes[11].address, 2 * 256 + slot_ids::kAuxHighPassFreq);
}

}  // namespace
}  // namespace vt::eqfile
