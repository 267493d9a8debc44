// Channel band list built from the window image.
#include "model/band_list.h"

#include <gtest/gtest.h>

namespace vt {
namespace {

TEST(ChannelBandList, MainChannelBandsAndFilters) {
    ParameterModel model;
    model.bindControls();
    model.copyDeviceToWindow();
    // Band 3 bypassed as a peaking band: type 10, Q from offset 4.
    model.window.set(1, 30, 10);
    model.window.set(1, 31, 204);
    model.window.set(1, 32, 180);
    model.window.set(1, 33, 25);
    model.window.set(1, 34, 31);
    // Band 1 peaking: Q from offset 3.
    model.window.set(1, 20, 0);
    model.window.set(1, 23, 19);
    model.window.set(1, 24, 49);

    BandList list;
    list.type[16] = 42;
    EXPECT_EQ(ChannelBandList(model, 1, 1, 2, list), 208);
    EXPECT_EQ(list.type[2], 10);
    EXPECT_FLOAT_EQ(list.freq[2], 1000.0f);
    EXPECT_FLOAT_EQ(list.gain[2], 12.0f);
    EXPECT_FLOAT_EQ(list.q[2], 1.4f);
    EXPECT_FLOAT_EQ(list.q[0], 0.71f);
    EXPECT_EQ(list.freqBox[2], "MusFreEdit3");
    EXPECT_EQ(list.qBox[2], "MusQEdit3");
    // High-pass at index 0 is off whatever its type box says; low-pass at 361 likewise.
    EXPECT_EQ(list.type[9], 100);
    EXPECT_EQ(list.type[10], 200);
    EXPECT_EQ(list.freqBox[9], "MusHighPassFre");
    EXPECT_TRUE(list.gainBox[9].empty());
    EXPECT_FLOAT_EQ(list.q[10], 1.0f);
    EXPECT_EQ(list.type[16], 42);  // untouched

    model.window.set(1, 15, 10);
    model.window.set(1, 18, 300);
    ChannelBandList(model, 1, 1, 2, list);
    EXPECT_EQ(list.type[9], 101);
    EXPECT_EQ(list.type[10], 202);
    EXPECT_FLOAT_EQ(list.freq[10], 6350.0f);
}

TEST(ChannelBandList, AuxiliaryChannelAndCorruptIndexes) {
    ParameterModel model;
    model.window.set(2, 34, 9999);  // a corrupt frequency index is clamped, not read outside
    model.window.set(2, 35, 120);
    model.window.set(2, 30, 5);
    BandList list;
    EXPECT_EQ(ChannelBandList(model, 2, 5, 0, list), 201);
    EXPECT_FLOAT_EQ(list.freq[0], 20600.0f);
    EXPECT_FLOAT_EQ(list.gain[0], 0.0f);
    EXPECT_EQ(list.type[2], 105);
    EXPECT_EQ(list.freqBox[2], "AuxHighPassFre");
    EXPECT_EQ(list.freqBox[9], "AuxHighPassFre");
    EXPECT_EQ(list.freqBox[10], "AuxLowPassFre");
}

}  // namespace
}  // namespace vt
