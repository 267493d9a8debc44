// Values the unit holds beyond what the window's controls can show, with the window as the owner
// and as a client: the window shows each one marked and never writes what it shows instead, so
// `get`, a fresh `dump`, whole-image writes, a preset load's read-back and the window's own Save
// all keep what the unit holds.
#include <QComboBox>
#include <QSpinBox>
#include <QtTest/QTest>
#include <fstream>
#include <limits>
#include <memory>

#include "e2e/service_rig.h"
#include "e2e/window_rig.h"
#include "model/compressor_curve.h"
#include "presets/preset_check.h"
#include "presets/preset_file.h"
#include "service/unit_json.h"
#include "ui/range_mark.h"
#include "ui/served_link.h"

namespace vt::test {
namespace {

constexpr int kBand1Gain = 0x0116;

// One value per row; `control` shows it, `pane` beside a bar shows it too. `marked`: the value is
// beyond the control's range (the others are values a control must show as they are).
struct Row {
    int address;
    int value;
    const char* control;
    const char* pane;
    bool marked;
};

const Row kRows[] = {
    {0x0100, 500, "OutLDelayBar", "OutLDelayPane", true},         // slider 0..150
    {0x0102, 400, "OutRDelayBar", "OutRDelayPane", true},         // slider 0..150
    {0x0105, 300, "MusRmsAttackBar", "MusRmsAttackPane", true},   // slider 1..100
    {0x0106, 20, "MusRmsReleaseBar", "MusRmsReleasePane", true},  // slider 0..7
    {0x0219, 10, "AuxOutGainBar", "AuxOutGainPane", true},        // slider 0..6
    {0x0209, 32, "DEQMaxLevelBar1", "DEQMaxLevelPane1", false},   // cut-off 32 ...
    {0x0208, 40, "DEQRmsLevelBar1", "DEQRmsLevelPane1", false},   // ... start above it
    {0x0215, 60, "DEQMaxLevelBar2", "DEQMaxLevelPane2", true},    // slider 0..48
    {0x010F, 400, "MusHighPassFre", nullptr, true},               // frequency box 0..361
    {0x0115, 400, "MusFreEdit1", nullptr, true},                  // frequency box
    {0x011F, 400, "MusFreEdit3", nullptr, true},                  // frequency box
    {0x011C, 200, "MusQEdit2", nullptr, true},                    // Q box 0..109
    {0x0205, 200, "DEQQEdit1", nullptr, true},                    // Q box
    {0x011B, 190, "MusGainEdit2", nullptr, true},                 // gain box 0..180
    {0x0104, 5, "RMSBox", nullptr, true},                         // combo box of 2 items
    {0x0123, 7, "MusModeBox4", nullptr, true},                    // band type, 5 items
    {0x010A, (150 << 8) + 80, "RzSpinEdit6", nullptr, true},      // point 2: output -120 dB
};

// What the control shows as beyond its range: the unit's number (a compressor point: the dB).
int markOf(const Row& row) {
    return row.address == 0x010A ? -120 : row.value;
}

constexpr int kUnmarked = std::numeric_limits<int>::min();

int wantedMark(const Row& row) {
    return row.marked ? markOf(row) : kUnmarked;
}

int markOn(const QWidget* control) {
    return ui::heldBeyondRange(control).value_or(kUnmarked);
}

enum class Role { Owner, Client };

class BeyondRange : public WindowProgram, public ::testing::WithParamInterface<Role> {
  protected:
    void SetUp() override {
        if (GetParam() == Role::Client) {
            owner = std::make_unique<HeadlessOwner>();
            ASSERT_TRUE(owner->start());
        }
        startWindow();
        ASSERT_TRUE(waitForLabel("Device Connected"));
        ASSERT_EQ(app->servedLink() != nullptr, GetParam() == Role::Client);
        ASSERT_TRUE(other.open());
    }
    void TearDown() override {
        app.reset();
        owner.reset();
    }
    const DeviceImage& unitImage() {
        return owner ? owner->unit().image() : app->hub().simulated()->unit().image();
    }
    QWidget* control(const char* name) { return app->mainWindow().findChild<QWidget*>(name); }
    bool allShown() {
        for (const Row& r : kRows)
            if (markOn(control(r.control)) != wantedMark(r)) return false;
        return true;
    }
    // Every row as the unit, the window's images and `get` have it, after `what`.
    void expectHeld(const char* what) {
        for (const Row& r : kRows) {
            SCOPED_TRACE(std::string(what) + ", " + r.control);
            EXPECT_EQ(unitImage().at(r.address), r.value);
            EXPECT_EQ(app->model().device.at(r.address), r.value);
            EXPECT_EQ(app->model().window.at(r.address), r.value);
            const auto got = other.call("get", {{"address", r.address}});
            ASSERT_TRUE(got && got->ok);
            EXPECT_EQ(got->result["value"], r.value);
        }
    }
    bool settled() {
        return QTest::qWaitFor(
            [&] {
                return label->text() == "Device Connected" &&
                       (!app->servedLink() || !app->servedLink()->changesInFlight());
            },
            20000);
    }

    std::unique_ptr<HeadlessOwner> owner;
    Client other;
};

TEST_P(BeyondRange, ShowingAValueNeverChangesIt) {
    for (const Row& r : kRows) {
        const auto set = other.call("set", {{"address", r.address}, {"value", r.value}});
        ASSERT_TRUE(set && set->ok) << r.control << ": " << (set ? set->message : "no answer");
    }
    // Each control shows its nearest end, marked with what the unit holds, and writes nothing.
    EXPECT_TRUE(QTest::qWaitFor([&] { return allShown(); }, 3000));
    for (const Row& r : kRows) {
        SCOPED_TRACE(r.control);
        EXPECT_EQ(markOn(control(r.control)), wantedMark(r));
        if (r.pane) {
            EXPECT_EQ(markOn(control(r.pane)), wantedMark(r));
        }
        if (r.marked) {
            EXPECT_EQ(control(r.control)->toolTip(), ui::beyondRangeTip(markOf(r)));
        }
    }
    EXPECT_EQ(qobject_cast<QSlider*>(control("MusRmsAttackBar"))->value(), 100);
    EXPECT_EQ(qobject_cast<QComboBox*>(control("RMSBox"))->currentIndex(), 1);
    EXPECT_EQ(qobject_cast<QSpinBox*>(control("RzSpinEdit6"))->value(), kCurveOutputMin);
    expectHeld("set");

    // Read again from the unit: the same again.
    const auto dump = other.call("dump", {{"fresh", true}});
    ASSERT_TRUE(dump && dump->ok) << (dump ? dump->message : "no answer");
    DeviceImage dumped;
    ASSERT_TRUE(service::imageFromJson(dump->result, dumped));
    for (const Row& r : kRows) EXPECT_EQ(dumped.at(r.address), r.value) << r.control;
    ASSERT_TRUE(settled());
    expectHeld("fresh dump");

    // The window's Save writes what the unit holds.
    dialogs.saveName = presetDir.filePath("saved.Nddt");
    app->mainWindow().SaveFileBtnClick();
    const presets::LoadOutcome saved = presets::loadPresetFile(dialogs.saveName.toStdString(), 0);
    ASSERT_TRUE(saved.message.empty()) << saved.message;
    DeviceImage file = presets::noSlotsSet();
    presets::applyPreset(saved.preset, app->model().deviceVariant, file);
    for (const Row& r : kRows) {
        if (presets::presetSavesSlot(moduleOf(r.address), slotOf(r.address))) {
            EXPECT_EQ(file.at(r.address), r.value) << r.control;
        }
    }

    // Whole-image writes: the window's Load of that file with one gain changed, and a client's.
    file = unitImage();
    file.set(kBand1Gain, 140);
    loadPreset(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return unitImage().at(kBand1Gain) == 140; }, 20000));
    ASSERT_TRUE(settled());
    expectHeld("the window's preset load");
    const auto written = other.call("write_image", {{"slots", Json::array({{1, 22, 130}})}});
    ASSERT_TRUE(written && written->ok) << (written ? written->message : "no answer");
    ASSERT_TRUE(settled());
    expectHeld("a client's whole-image write");

    // A preset holding these values loads, its read-back included.
    file.set(kBand1Gain, 120);
    const auto loaded = other.call("load", {{"path", writePreset(file).toStdString()}});
    ASSERT_TRUE(loaded && loaded->ok) << (loaded ? loaded->message : "no answer");
    ASSERT_TRUE(settled());
    expectHeld("a client's preset load");
}

INSTANTIATE_TEST_SUITE_P(WindowAs, BeyondRange, ::testing::Values(Role::Owner, Role::Client),
                         [](const auto& info) {
                             return info.param == Role::Owner ? "Owner" : "Client";
                         });

}  // namespace
}  // namespace vt::test
