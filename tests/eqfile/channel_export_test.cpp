// Export of a channel and reading it back: the same bands and filters, exactly.
#include "eqfile/channel_export.h"

#include <gtest/gtest.h>

#include "eqfile/channel_fit.h"
#include "eqfile/filter_file.h"
#include "model/eq_defaults.h"
#include "model/scales.h"

namespace vt::eqfile {
namespace {

void setBand(DeviceImage& image, int module, int band, int type, int freq, int gain, int peakQ,
             int otherQ) {
    const int values[5] = {type, freq, gain, peakQ, otherQ};
    for (int f = 0; f < 5; ++f) image.set(module, bandSlot(module, band, f), values[f]);
}

TEST(ChannelExport, ReadingTheExportBackGivesTheSameBands) {
    DeviceImage image;
    for (int m : {kMainModule, kAuxModule})
        for (int b = 0; b < kBandCount[static_cast<std::size_t>(m)]; ++b)
            for (int f = 0; f < 5; ++f) image.set(m, bandSlot(m, b, f), eqDefaultValue(m, b, f));
    // Main: every type, extreme steps, a bypassed band, awkward shelf slopes.
    setBand(image, 1, 0, 0, 96, 105, 25, 19);
    setBand(image, 1, 1, 1, 0, 0, 25, 0);        // LSQ, lowest slope
    setBand(image, 1, 2, 2, 361, 180, 25, 31);   // HSQ, steepest slope the type allows
    setBand(image, 1, 3, 12, 200, 77, 25, 19);   // bypassed HSQ
    setBand(image, 1, 4, 13, 40, 77, 25, 29);    // bypassed VariQ HP, with a gain it ignores
    setBand(image, 1, 5, 4, 300, 120, 25, 30);   // VariQ LP
    setBand(image, 1, 6, 10, 81, 150, 109, 19);  // bypassed PEQ
    setBand(image, 1, 7, 0, 84, 1, 0, 19);
    image.set(1, slot_ids::kMainHighPassType, 1);
    image.set(1, slot_ids::kMainHighPassFreq, 30);
    image.set(1, slot_ids::kMainLowPassType, 3);
    image.set(1, slot_ids::kMainLowPassFreq, 330);
    // Auxiliary: a 24 dB Butterworth high-pass and a low-pass that is off.
    setBand(image, 2, 1, 1, 150, 131, 25, 21);
    image.set(2, slot_ids::kAuxHighPassType, 5);
    image.set(2, slot_ids::kAuxHighPassFreq, 20);
    image.set(2, slot_ids::kAuxLowPassType, 6);
    image.set(2, slot_ids::kAuxLowPassFreq, kFreqIndexMax);

    for (int m : {kMainModule, kAuxModule}) {
        const std::string text = exportChannel(image, m);
        const FilterFile file = readFilterFile(text);
        EXPECT_TRUE(file.problems.empty()) << text;
        const ChannelFit fit = fitChannel(file, m);
        EXPECT_TRUE(fit.dropped.empty()) << text;
        // Only the filter Qs written to four decimals differ from the exact ones.
        EXPECT_LT(fit.residual.maxAbsDb, 0.01) << text;
        for (std::size_t b = 0; b < fit.bands.size(); ++b) {
            const int band = static_cast<int>(b);
            const FittedBand& got = fit.bands[b];
            const int type = image.at(m, bandSlot(m, band, kFieldType));
            EXPECT_EQ(packBandType(got.type, got.bypass), type) << "module " << m << " band " << b;
            EXPECT_EQ(got.freqIndex, image.at(m, bandSlot(m, band, kFieldFreq))) << b;
            EXPECT_EQ(got.gainStep, image.at(m, bandSlot(m, band, kFieldGain))) << b;
            const int qField = bandTypeIndex(type) == 0 ? kFieldPeakQ : kFieldQ;
            EXPECT_EQ(got.qIndex, image.at(m, bandSlot(m, band, qField))) << b;
        }
        const bool main = m == kMainModule;
        ASSERT_TRUE(fit.highPass) << text;
        EXPECT_EQ(fit.highPass->item, main ? 1 : 5);
        EXPECT_EQ(fit.highPass->freqIndex, main ? 30 : 20);
        EXPECT_EQ(fit.lowPass.has_value(), main) << text;
        if (main) {
            EXPECT_EQ(fit.lowPass->item, 3);
            EXPECT_EQ(fit.lowPass->freqIndex, 330);
        }
    }
}

TEST(ChannelExport, ValuesNoLineCanHoldAreNamedNotWritten) {
    DeviceImage image;
    image.set(2, bandSlot(2, 0, kFieldType), 7);
    image.set(2, bandSlot(2, 1, kFieldFreq), 5000);  // out of the table: clamped
    const std::string text = exportChannel(image, kAuxModule);
    EXPECT_NE(text.find("# band 1 has type value 7"), std::string::npos) << text;
    EXPECT_NE(text.find("Filter 1: ON PK Fc 20600.0 Hz Gain -24.0 dB Q 0.1"), std::string::npos)
        << text;
}

}  // namespace
}  // namespace vt::eqfile
