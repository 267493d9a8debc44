// Applying a device image to the window.
#include <QRadioButton>
#include <QSlider>

#include "ui/range_mark.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

using ui::BitmapButton;

TEST_F(WindowTest, ApplyShowsEveryKindOfControl) {
    model.device.set(1, 25, 13);  // Main band 2 type: item 3, bypassed
    model.device.set(1, 7, 5);    // right phase: inverted
    model.device.set(1, 3, 0);    // left phase: normal
    model.device.set(1, 0, 300);  // left delay beyond the bar's range
    model.device.set(0, 10, 1);   // input source: Bluetooth
    model.device.set(2, 1, 1);    // dynamic EQ 1 passed
    model.device.set(1, 4, 1);    // compressor on
    window->ApplyDeviceImage();

    EXPECT_EQ(w<QComboBox>("MusModeBox2")->currentIndex(), 3);
    EXPECT_TRUE(w<QCheckBox>("MusBypassCheck2")->isChecked());
    EXPECT_EQ(model.window.at(1, 25), 13);
    EXPECT_EQ(model.device.at(1, 25), 13);

    EXPECT_EQ(w<BitmapButton>("OutRPhaseBtn")->text(), "-");
    EXPECT_EQ(ui::hintOf(w("OutRPhaseBtn")), "1");
    EXPECT_EQ(w<BitmapButton>("OutLPhaseBtn")->text(), "+");
    EXPECT_EQ(ui::hintOf(w("OutLPhaseBtn")), "0");
    EXPECT_EQ(ui::hintOf(w("DEQALLPASSBtn1")), "1");

    // Beyond the bar's range: its end, marked, and the images keep what the unit holds.
    EXPECT_EQ(w<QSlider>("OutLDelayBar")->value(), 150);
    EXPECT_EQ(text("OutLDelayPane"), "15.0ms");
    EXPECT_EQ(ui::heldBeyondRange(w("OutLDelayBar")), 300);
    EXPECT_EQ(ui::heldBeyondRange(w("OutLDelayPane")), 300);
    EXPECT_EQ(model.window.at(1, 0), 300);
    EXPECT_EQ(model.device.at(1, 0), 300);

    EXPECT_TRUE(w<QRadioButton>("SysInputRadio2")->isChecked());
    EXPECT_EQ(w<QComboBox>("RMSBox")->currentText(), "ON");
    EXPECT_TRUE(recorder.writes.empty());  // applying never writes to the unit
    EXPECT_EQ(model.sendSuppression, 0);
    EXPECT_FALSE(model.refresh);
}

TEST_F(WindowTest, CaptionVersionAndVariantFollowTheUnit) {
    const struct {
        int linkState;
        int version;
        QString caption;
        int variant;
        QString label;
    } cases[] = {
        {0, 513, "KV Series DSP Control Software v3.4.3 Beta", 0, "版本号:"},
        {2, 513, "KV Series DSP Control Software v3.4.3 Beta[Connected]", 0, "版本号:1.2.7"},
        {1, 2, "KV Series DSP Control Software v3.4.3 Beta[Connected]", 1, "版本号:2.2.7"},
    };
    for (const auto& c : cases) {
        linkState = c.linkState;
        model.deviceVariant = 0;
        model.device.set(0, 1, c.version);
        model.device.set(0, 4, 2);
        model.device.set(0, 6, 7);
        window->ApplyDeviceImage();
        EXPECT_EQ(window->windowTitle(), c.caption) << c.version;
        EXPECT_EQ(model.deviceVariant, c.variant) << c.version;
        EXPECT_EQ(text("DeviceVersionLabel"), c.label) << c.version;
    }
}

TEST_F(WindowTest, ApplyingTwiceGivesTheSameWindowAndImages) {
    model.device.set(1, 0, 300);
    model.device.set(1, 23, 120);
    model.device.set(2, 9, 10);
    model.device.set(2, 8, 30);
    window->ApplyDeviceImage();
    const auto windowImage = model.window;
    const auto deviceImage = model.device;
    const QString q = text("MusQEdit1");
    window->ApplyDeviceImage();
    EXPECT_EQ(model.window, windowImage);
    EXPECT_EQ(model.device, deviceImage);
    EXPECT_EQ(text("MusQEdit1"), q);
}

}  // namespace
}  // namespace vt::test
