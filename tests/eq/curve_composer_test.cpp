// Curve composition: which slots a redraw recomputes, where markers and the value label go, the
// overlay and marker visibility, the curve points, and requests that must be ignored.
#include "eq/curve_composer.h"

#include <gtest/gtest.h>

#include <cmath>

#include "eq/band_response.h"
#include "fake_curve_source.h"

namespace vt {
namespace {

using FakeSource = test::FakeCurveSource;

class CurveComposerTest : public testing::Test {
  protected:
    CurveComposer composer{GraphGeometry(1104, 270)};
    CurveFrame frame;

    const MarkerPlacement* placed(int marker) const {
        for (int i = 0; i < frame.markerCount; ++i)
            if (frame.markers[static_cast<std::size_t>(i)].marker == marker)
                return &frame.markers[static_cast<std::size_t>(i)];
        return nullptr;
    }
};

TEST_F(CurveComposerTest, FlatChannelDrawsOnTheZeroLine) {
    for (int channel : {1, 2}) {
        ASSERT_TRUE(composer.compose(kAllSlots, channel, FakeSource::flat(channel), frame));
        for (std::size_t p = 0; p < kPointCount; ++p) ASSERT_EQ(frame.points[p].y, 90) << p;
        EXPECT_EQ(frame.points[0].x, 0);
        EXPECT_EQ(frame.points[231].x, 552);
        EXPECT_EQ(frame.points[kPoints].x, 1104);
        EXPECT_EQ(frame.markerCount, channel == 1 ? 11 : 4);
        // "OFF" filters still move their markers, onto the 0 dB line.
        ASSERT_NE(placed(kHighPassMarker), nullptr);
        EXPECT_EQ(placed(kHighPassMarker)->position, (PixelPoint{84, 78}));
        EXPECT_FALSE(frame.valueLabel);
        EXPECT_EQ(frame.channelMarkersVisible, channel == 1);
        // A band of exactly 0 dB gets its label below the marker.
        ASSERT_TRUE(composer.compose(0, channel, FakeSource::flat(channel), frame));
        ASSERT_TRUE(frame.valueLabel);
        EXPECT_EQ(frame.valueLabel->label.placement, ValueLabelPlacement::Below);
    }
}

TEST_F(CurveComposerTest, BandAtOneKilohertzPeaksOnRowZero) {
    FakeSource source = FakeSource::flat(1);
    source.setBand(2, 0, 1000.0f, 12.0f, 1.41f);
    ASSERT_TRUE(composer.compose(kAllSlots, 1, source, frame));
    ASSERT_TRUE(composer.compose(2, 1, source, frame));

    ASSERT_EQ(frame.markerCount, 1);
    EXPECT_EQ(frame.markers[0].marker, 2);
    EXPECT_EQ(frame.markers[0].position, (PixelPoint{644, -9}));
    ASSERT_TRUE(frame.valueLabel);
    EXPECT_EQ(frame.valueLabel->label.text, "12.0dB\rQ:1.41\r1000.00Hz");
    EXPECT_EQ(frame.valueLabel->label.placement, ValueLabelPlacement::Below);
    int top = 1000;
    for (const auto& p : frame.points) top = std::min(top, p.y);
    EXPECT_EQ(top, 0);
    EXPECT_FALSE(frame.channelMarkersVisible);  // only a full redraw touches visibility
}

TEST_F(CurveComposerTest, MarkerAndLabelFollowTheSlotKind) {
    FakeSource source = FakeSource::flat(2);
    source.setBand(0, 3, 500.0f, 6.0f, 2.0f);  // Aux band 1 "VariQ HP": 0 dB line
    source.setBand(1, 12, 2000.0f, -6.0f);     // band 2 bypassed high shelf at -6 dB
    source.setBand(2, 102, 100.0f, 0.0f);      // Aux high-pass: HPF
    const int row0 = 90;
    const struct {
        int slot;
        int marker;
        PixelPoint at;
        ValueLabelPlacement placement;
        const char* text;
    } cases[] = {
        {0, 0, {546, row0 - 9}, ValueLabelPlacement::FrequencyOnly, "500.00Hz"},
        {1, 1, {743, 126}, ValueLabelPlacement::Above, "-6.0dB\rQ:1.00\r2000.00Hz"},
        {2, kHighPassMarker, {315, row0 - 12}, ValueLabelPlacement::FrequencyOnly, "100.00Hz"},
        {3, kLowPassMarker, {1070, row0 - 12}, ValueLabelPlacement::FrequencyOnly, "20600.00Hz"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(composer.compose(c.slot, 2, source, frame));
        ASSERT_EQ(frame.markerCount, 1) << c.slot;
        EXPECT_EQ(frame.markers[0].marker, c.marker) << c.slot;
        EXPECT_EQ(frame.markers[0].position, c.at) << c.slot;
        ASSERT_TRUE(frame.valueLabel) << c.slot;
        EXPECT_EQ(frame.valueLabel->marker, c.marker);
        EXPECT_EQ(frame.valueLabel->label.placement, c.placement) << c.slot;
        EXPECT_EQ(frame.valueLabel->label.text, c.text) << c.slot;
    }
    // A bypassed band contributes nothing although its marker sits at its gain.
    for (float v : composer.response(1)) ASSERT_EQ(v, 0.0f);
}

TEST_F(CurveComposerTest, OnlyTheNamedSlotIsRecomputed) {
    FakeSource source = FakeSource::flat(1);
    source.setBand(1, 0, 200.0f, 6.0f);
    ASSERT_TRUE(composer.compose(kAllSlots, 1, source, frame));
    const Response before = composer.response(1);

    source.setBand(1, 0, 200.0f, -6.0f);  // band 2 changes without a redraw of its own
    source.setBand(4, 0, 5000.0f, 3.0f);
    ASSERT_TRUE(composer.compose(4, 1, source, frame));
    EXPECT_EQ(composer.response(1), before);
    // The total still holds band 2's old +6 dB.
    const int k = toPixel(PointOfFrequency(200));
    EXPECT_LT(frame.points[static_cast<std::size_t>(k)].y, 90);

    ASSERT_TRUE(composer.compose(1, 1, source, frame));
    EXPECT_GT(frame.points[static_cast<std::size_t>(k)].y, 90);
}

TEST_F(CurveComposerTest, OverlayFollowsThePassFlagOnMainOnly) {
    FakeSource source = FakeSource::flat(1);
    source.passed = true;
    ASSERT_TRUE(composer.compose(3, 1, source, frame));
    EXPECT_TRUE(frame.passOverlayVisible);
    FakeSource aux = FakeSource::flat(2);
    aux.passed = true;
    ASSERT_TRUE(composer.compose(kAllSlots, 2, aux, frame));
    EXPECT_FALSE(frame.passOverlayVisible);
    EXPECT_EQ(frame.channelMarkersVisible, false);
}

TEST_F(CurveComposerTest, IgnoredRequestsChangeNothing) {
    FakeSource source = FakeSource::flat(1);
    ASSERT_TRUE(composer.compose(kAllSlots, 1, source, frame));
    const CurveFrame drawn = frame;
    source.setBand(0, 0, 1000.0f, 12.0f);
    const struct {
        int band;
        int channel;
        bool refresh;
    } cases[] = {
        {21, 1, false}, {-1, 1, false}, {kAllSlots, 3, false}, {kAllSlots, 0, false}, {0, 1, true}};
    for (const auto& c : cases) {
        source.refresh = c.refresh;
        EXPECT_FALSE(composer.compose(c.band, c.channel, source, frame)) << c.band;
        EXPECT_EQ(frame.points, drawn.points);
        for (float v : composer.response(0)) ASSERT_EQ(v, 0.0f);
    }
}

TEST_F(CurveComposerTest, SlotsBeyondTheChannelGetNoLabel) {
    // Slot 12 is no slot of the Main channel: nothing is recomputed, no label is written.
    FakeSource source = FakeSource::flat(1);
    source.setBand(12, 0, 1000.0f, 12.0f);
    for (int band : {11, 12, 16, 17, 19}) {
        ASSERT_TRUE(composer.compose(band, 1, source, frame)) << band;
        EXPECT_EQ(frame.markerCount, 0);
        EXPECT_FALSE(frame.valueLabel);
    }
}

TEST_F(CurveComposerTest, BadBandValuesStayInsideTheirArrays) {
    FakeSource source = FakeSource::flat(1);
    source.setBand(0, 300, 1000.0f, 0.0f);
    source.setBand(1, -7, std::nanf(""), std::nanf(""), std::nanf(""));
    source.setBand(2, 0, -50.0f, 1e30f, 0.0f);
    source.setBand(3, 1, INFINITY, -INFINITY, 1e-30f);
    source.setBand(4, 4, 0.0f, 12.0f, -3.0f);
    for (int band : {kAllSlots, 0, 1, 2, 3, 4}) {
        ASSERT_TRUE(composer.compose(band, 1, source, frame));
        for (const auto& p : frame.points) ASSERT_LE(std::abs(p.y), 1 << 20);
    }
    ASSERT_TRUE(composer.compose(0, 1, source, frame));
    EXPECT_EQ(frame.markers[0].marker, 0);  // a code that fits no type is a flat band
    source.result = 999;                    // a band list that claims too many slots
    EXPECT_TRUE(composer.compose(kAllSlots, 1, source, frame));
    EXPECT_EQ(frame.markerCount, kGraphSlots);
}

TEST(ModelCurveSource, ReadsTheModelAndTheFilterBoxes) {
    ParameterModel model;
    model.bindControls();
    model.copyDeviceToWindow();
    model.eqPassState[1] = 1;
    model.window.set(1, slot_ids::kMainHighPassFreq, 10);
    ModelCurveSource source(model, [](int channel) {
        return ModelCurveSource::FilterItems{channel == 1 ? 2 : 0, 1};
    });
    BandList list;
    EXPECT_EQ(source.loadBandList(1, list), 208);
    EXPECT_EQ(list.type[9], 102);
    EXPECT_TRUE(source.eqPassed(1));
    EXPECT_FALSE(source.eqPassed(2));
    EXPECT_FALSE(source.eqPassed(7));
    model.refresh = true;
    EXPECT_TRUE(source.refreshing());
}

}  // namespace
}  // namespace vt
