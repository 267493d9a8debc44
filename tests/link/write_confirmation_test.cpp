// A change counts as done only when the unit confirmed it: a write by its own answer (not a later
// keep-alive's), a preset load by a read-back that holds every value of the preset.
#include "link/link_fixture.h"
#include "presets/preset_check.h"

namespace vt {
namespace {

using namespace std::chrono_literals;

class WriteConfirmation : public test::LinkOnRig {};

TEST_F(WriteConfirmation, OnlyTheAnswerToTheWriteItselfConfirmsIt) {
    ASSERT_TRUE(rig.connect());
    const SendState& s = rig.link.sendState();
    const std::uint32_t before = s.confirmedWrites;

    // The answer to the write is lost; the keep-alive poll 625 ms later is answered.
    rig.unit.faults().dropShare = 1.0;
    rig.model.SendDatatoMCU(0x0105, 300);
    rig.unit.faults().dropShare = 0.0;
    rig.clock.advance(1000ms);
    ASSERT_TRUE(runUntilAnswered()) << "the keep-alive polls are answered";
    EXPECT_EQ(s.confirmedWrites, before);

    rig.model.SendDatatoMCU(0x0105, 300);
    ASSERT_TRUE(runUntilAnswered());
    EXPECT_EQ(s.confirmedWrites, before + 1);
    EXPECT_EQ(s.confirmedWrite, (QueuedWrite{0x0105, 300}));
}

class PresetLoadCheck : public test::LinkOnRig {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.connect());
        DeviceImage image = rig.model.device;
        image.set(1, 5, 77);
        image.set(2, 40, 1234);
        preset = presets::decodePreset(
            presets::presetFileText(presets::savePresetLines(image, rig.model.deviceVariant)));
        ASSERT_EQ(preset.status, presets::LoadStatus::Ok);
        expected = presets::presetExpectation(preset, rig.model.deviceVariant);
        presets::applyPreset(preset, rig.model.deviceVariant, rig.model.device);
        rig.link.DisCheckWindow(kOpWriteImage);
    }
    // The read after the write, as `vortella-cli load` makes it; the first slot that differs.
    std::optional<std::string> readBack() {
        presets::forgetExpectedSlots(expected, rig.model.device);
        rig.link.DisCheckWindow(kOpConnecting);
        EXPECT_TRUE(rig.settle());
        return presets::firstPresetDifference(expected, rig.model.device);
    }
    presets::DecodedPreset preset;
    DeviceImage expected;
};

TEST_F(PresetLoadCheck, AWholeWriteReadsBackEqual) {
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(rig.link.transferState().mode, kTransferWrite);
    EXPECT_EQ(readBack(), std::nullopt);
}

TEST_F(PresetLoadCheck, AValueTheUnitDidNotKeepIsNamed) {
    ASSERT_TRUE(rig.settle());
    rig.unit.image().set(2, 40, 5);
    EXPECT_EQ(readBack(), "module 2 slot 40: the unit holds 5, the preset sets 1234");
}

TEST_F(PresetLoadCheck, AReplugInMidWriteEndsInARead) {
    rig.clock.advance(200ms);
    rig.unplug();
    rig.clock.advance(500ms);
    rig.plugIn();
    ASSERT_TRUE(rig.settle());
    // Connected again, but by a read: the write did not end with its end sign answered.
    EXPECT_EQ(rig.link.transferState().mode, kTransferRead);
    EXPECT_NE(readBack(), std::nullopt);
}

TEST_F(PresetLoadCheck, ASlotNoPacketBroughtBackIsNotTakenAsEqual) {
    ASSERT_TRUE(rig.settle());
    presets::forgetExpectedSlots(expected, rig.model.device);
    EXPECT_EQ(
        presets::firstPresetDifference(expected, rig.model.device),
        "module 1 slot 0: not read back, the preset sets " + std::to_string(expected.at(1, 0)));
}

}  // namespace
}  // namespace vt
