// Parameter model: binding tags, device image initialisation, Write parameter, copy step,
// band positions and effective addresses.
#include "model/parameter_model.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/slot_map.h"

namespace vt {
namespace {

struct RecordingSink : WriteSink {
    std::vector<std::pair<int, int>> writes;
    void queueWrite(int address, int value) override { writes.emplace_back(address, value); }
};

class BoundModel : public ::testing::Test {
  protected:
    void SetUp() override { model.bindControls(); }
    ParameterModel model;
};

TEST_F(BoundModel, TagsCarryTheLaterAddressOfDoublyBoundControls) {
    const struct {
        const char* name;
        int tag;
    } rows[] = {
        {"OutLDelayBar", 256},    {"OutLDelayPane", 256},    {"MusModeBox1", 276},
        {"MusBypassCheck1", 276}, {"MusFreEdit1", 277},      {"MusQEdit1", 280},
        {"MusQEdit9", 320},       {"AUXQEdit2", 554},        {"AuxBypassCheck2", 550},
        {"DEQQEdit1", 517},       {"DEQRmsLevelPane2", 532}, {"HintQEdit4", 574},
        {"HintLowPassFre", 578},  {"InputBox", 10},          {"SysIOLevelBox", 11},
        {"MusEQAllpassBtn", 275}, {"SubRPhaseBtn", 540},     {"SysMusNormalVolPane", 257},
    };
    for (const auto& r : rows) EXPECT_EQ(model.tagOf(r.name), r.tag) << r.name;
    EXPECT_EQ(model.tagOf("Example"), -1);  // the placeholder is never bound
    EXPECT_EQ(model.tagOf("NoSuchControl"), -1);
}

TEST_F(BoundModel, DeviceImageStartsFromTheBindingDefaults) {
    const struct {
        int module, slot, value;
    } rows[] = {
        {1, 18, 361}, {1, 15, 0},   {1, 13, 0}, {1, 16, 0}, {1, 20, 2}, {2, 29, 2}, {2, 30, 2},
        {2, 31, 0},   {2, 32, 361}, {2, 63, 0}, {2, 64, 2}, {2, 65, 0}, {2, 66, 2}, {0, 16, 2},
        {0, 0, 2},    {3, 0, 2},    {2, 67, 0}, {3, 1, 0},  {0, 17, 0}, {1, 65, 0},
    };
    for (const auto& r : rows)
        EXPECT_EQ(model.device.at(r.module, r.slot), r.value) << r.module << "/" << r.slot;

    ParameterModel again;
    again.bindControls();
    again.bindControls();
    EXPECT_EQ(again.device, model.device);
    EXPECT_EQ(again.tags(), model.tags());
    EXPECT_FALSE(model.refresh);
    EXPECT_EQ(model.currentEditBox, "MusFreEdit1");
}

TEST(SlotMap, PlaceholderAndEmptyEntries) {
    const SlotMap& map = SlotMap::instance();
    EXPECT_EQ(map.at(0, 16).primary.kind, ControlKind::Empty);
    EXPECT_EQ(map.at(0, 16).companion.kind, ControlKind::Empty);
    EXPECT_EQ(map.at(3, 0).primary.kind, ControlKind::Empty);
    EXPECT_EQ(map.at(0, 1).primary.kind, ControlKind::Placeholder);
    EXPECT_EQ(map.at(0, 10).companion.kind, ControlKind::Placeholder);
    EXPECT_EQ(map.at(1, 14).primary.kind, ControlKind::Placeholder);
    EXPECT_EQ(map.at(1, 21).companion.kind, ControlKind::Placeholder);
    EXPECT_EQ(map.at(2, 0).primary.kind, ControlKind::Placeholder);
    EXPECT_EQ(map.at(2, 0).companion.kind, ControlKind::Empty);
    EXPECT_EQ(map.at(2, 34).companion.kind, ControlKind::Empty);
    EXPECT_EQ(map.at(2, 33).companion.name, "AuxBypassCheck1");
    EXPECT_EQ(map.at(2, 7).primary.viewKind, 3);  // start-mode box carries kind 3
    EXPECT_EQ(map.at(1, 0).companion.viewKind, 18);
    EXPECT_EQ(map.at(2, 26).primary.items[0], "Mono ");
    EXPECT_EQ(map.at(9, 0).primary.kind, ControlKind::Empty);
}

TEST(WriteParameter, StoresBothImagesAndQueuesUnlessSuppressed) {
    ParameterModel model;
    RecordingSink sink;
    model.setWriteSink(&sink);
    model.SendDatatoMCU(277, 288);
    EXPECT_EQ(model.window.at(1, 21), 288);
    EXPECT_EQ(model.device.at(1, 21), 288);
    ASSERT_EQ(sink.writes.size(), 1u);
    EXPECT_EQ(sink.writes[0], std::make_pair(277, 288));

    model.sendSuppression = 1;
    model.SendDatatoMCU(256, 40);
    EXPECT_EQ(model.window.at(256), 40);
    EXPECT_EQ(model.device.at(256), 40);
    EXPECT_EQ(sink.writes.size(), 1u);
}

TEST(WriteParameterDeathTest, AddressesOutsideAnImageAreAssertedOrIgnored) {
    ParameterModel model;
    // A caller error: asserted in debug builds, ignored in release builds, never out of bounds.
    EXPECT_DEBUG_DEATH(model.SendDatatoMCU(makeAddress(7, 300), 9), "contains");
    EXPECT_DEBUG_DEATH(model.window.set(1, 100, 5), "contains");
    EXPECT_DEBUG_DEATH(model.device.set(-1, 5, 5), "contains");
    EXPECT_EQ(model.window, WindowImage{});
}

TEST(CopyStep, CopiesOnlySlotsBelowTheSlotCount) {
    ParameterModel model;
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kDeviceSlots; ++s) model.device.set(m, s, 1000 + s);
    model.window.set(0, 17, -1);
    model.window.set(3, 1, -1);
    model.copyDeviceToWindow();
    EXPECT_EQ(model.window.at(0, 16), 1016);
    EXPECT_EQ(model.window.at(0, 17), -1);
    EXPECT_EQ(model.window.at(3, 0), 1000);
    EXPECT_EQ(model.window.at(3, 1), -1);
    EXPECT_EQ(model.window.at(2, 66), 1066);
    EXPECT_EQ(model.window.at(2, 67), 0);
}

TEST(BandPosition, DependsOnTheCurrentChannel) {
    ParameterModel model;
    const struct {
        int channel, address, expected;
    } rows[] = {
        {1, 256 + 22, 2},    {2, 256 + 22, 255},  {1, 256 + 15, 2304}, {1, 256 + 13, 2304},
        {1, 256 + 18, 2560}, {2, 256 + 18, 255},  {2, 512 + 29, 512},  {1, 512 + 29, 255},
        {2, 512 + 32, 768},  {2, 512 + 48, 768},  {2, 512 + 34, 1},    {1, 256 + 64, 8 * 256 + 4},
        {1, 256 + 19, 255},  {2, 512 + 63, 1536}, {2, 512 + 64, 255},  {1, 10, 255},
        {1, 768, 255},       {2, 512 + 5, 255},
    };
    for (const auto& r : rows) {
        model.currentChannel = r.channel;
        EXPECT_EQ(model.bandPosition(r.address), r.expected) << r.channel << ":" << r.address;
    }
}

TEST(EffectiveAddress, QBoxesFollowTheBandType) {
    ParameterModel model;
    model.bindControls();
    const int q1 = model.tagOf("MusQEdit1");
    const struct {
        int channel, type, expected;
    } rows[] = {{1, 0, 279}, {1, 1, 280}, {1, 10, 280}, {1, 11, 280}, {2, 0, 280}, {2, 1, 280}};
    for (const auto& r : rows) {
        model.currentChannel = r.channel;
        model.window.set(1, 20, r.type);
        EXPECT_EQ(model.effectiveAddress(q1), r.expected) << r.channel << "/" << r.type;
    }
    model.currentChannel = 1;
    model.window.set(1, 20, 0);
    EXPECT_EQ(model.effectiveAddress(model.tagOf("MusGainEdit1")), 278);
    model.currentChannel = 2;
    model.window.set(2, 38, 0);
    EXPECT_EQ(model.effectiveAddress(model.tagOf("AUXQEdit2")), 553);
    EXPECT_EQ(model.effectiveAddress(model.tagOf("DEQQEdit1")), 517);
}

}  // namespace
}  // namespace vt
