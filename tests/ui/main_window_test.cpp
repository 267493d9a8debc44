// The main window: start-up state, channel tabs, the factory toggle and typed values.
#include <QGroupBox>
#include <QSlider>
#include <QTabWidget>
#include <QtTest/QTest>

#include "ui/range_mark.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

using ui::BitmapButton;

TEST_F(WindowTest, StartUpState) {
    EXPECT_EQ(window->windowTitle(), "KV Series DSP Control Software v3.4.3 Beta");
    EXPECT_EQ(model.currentChannel, 1);
    EXPECT_EQ(w<BitmapButton>("FormTabBtn1")->upLook(), BitmapButton::Look::Down);
    EXPECT_EQ(w<BitmapButton>("FormTabBtn2")->upLook(), BitmapButton::Look::Up);
    EXPECT_FALSE(w<QGroupBox>("AuxGrop")->isVisible());
    EXPECT_TRUE(w<QWidget>("MusEQAllpassBtn")->isVisible());
    EXPECT_FALSE(w<QWidget>("RzBmpButton1")->isVisible());
    EXPECT_EQ(window->activeFunctionPage(), 0);
    const int expected[10] = {-90, -90, -70, -70, -40, -40, 0, 0, 21, 21};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(w<QSpinBox>(qPrintable(QString("RzSpinEdit%1").arg(i + 1)))->value(), expected[i])
            << i;
    EXPECT_EQ(text("MusFreEdit1"), "21.7");
    EXPECT_EQ(text("MusFreEdit9"), "10300.0");
    EXPECT_EQ(w<QLabel>("LinkLabel")->text(), "Offline");
    EXPECT_EQ(window->size(), QSize(1171, 678));
}

TEST_F(WindowTest, ChannelTabsSwitchTheEqualiserArea) {
    QTest::mouseClick(w<QWidget>("FormTabBtn2"), Qt::LeftButton);
    EXPECT_EQ(model.currentChannel, 2);
    EXPECT_TRUE(w<QGroupBox>("AuxGrop")->isVisible());
    EXPECT_TRUE(w<QWidget>("OutLDelayBar")->isVisible());
    EXPECT_TRUE(w<QWidget>("BLUENameEdit")->isVisible());
    EXPECT_FALSE(w<QWidget>("MusEQAllpassBtn")->isVisible());
    EXPECT_EQ(w<BitmapButton>("FormTabBtn2")->upLook(), BitmapButton::Look::Down);
    EXPECT_EQ(w<QLabel>("EQFormLabel")->text(), "Auxiliary");

    QTest::mouseClick(w<QWidget>("FormTabBtn1"), Qt::LeftButton);
    EXPECT_EQ(model.currentChannel, 1);
    EXPECT_FALSE(w<QWidget>("OutLDelayBar")->isVisible());
    EXPECT_TRUE(w<QWidget>("MusEQAllpassBtn")->isVisible());
}

TEST_F(WindowTest, FactoryToggleClickedTwice) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    auto* toggle = w<BitmapButton>("RzBmpButton1");
    ASSERT_TRUE(toggle->isVisible());
    QTest::mouseClick(w<QWidget>("FormTabBtn2"), Qt::LeftButton);

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(window->activeFunctionPage(), 1);
    EXPECT_EQ(model.currentChannel, 2);
    EXPECT_EQ(toggle->text(), "主页");
    EXPECT_TRUE(w<QWidget>("DEQFreEdit1")->isVisible());

    QTest::mouseClick(toggle, Qt::LeftButton);
    EXPECT_EQ(window->activeFunctionPage(), 0);
    EXPECT_EQ(model.currentChannel, 1);
    EXPECT_EQ(toggle->text(), "工厂隐藏");
}

TEST_F(WindowTest, TypedFrequencySnapsToTheTableAndIsWritten) {
    type("MusFreEdit1", "5000Hz");
    EXPECT_EQ(text("MusFreEdit1"), "5040.0");
    EXPECT_EQ(model.window.at(277), 288);
    EXPECT_EQ(model.device.at(277), 288);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0], std::make_pair(277, 288));
    EXPECT_EQ(model.lastChange.address, 277);
    EXPECT_EQ(model.lastChange.value, 288);
    EXPECT_EQ(model.selectedBand[1], 0);
}

TEST_F(WindowTest, StepsAndLimits) {
    type("MusGainEdit1", "12", ui::kStepUp);  // +12 dB and one step up stays at the top
    EXPECT_EQ(model.window.at(278), 180);
    EXPECT_EQ(text("MusGainEdit1"), "12.0dB");
    type("MusGainEdit1", "-3");
    EXPECT_EQ(model.window.at(278), 105);
    type("MusGainEdit1", "-30");
    EXPECT_EQ(model.window.at(278), 0);

    // The Q limit follows the band type: 31 for the other types, 109 for a peaking band.
    model.window.set(1, 20, 1);
    type("MusQEdit1", "50");
    EXPECT_EQ(model.window.at(1, 24), 31);
    EXPECT_EQ(text("MusQEdit1"), "1.40");
    model.window.set(1, 20, 0);
    type("MusQEdit1", "50");
    EXPECT_EQ(model.window.at(1, 23), 93);
    EXPECT_EQ(text("MusQEdit1"), "51.00");
}

TEST_F(WindowTest, TextWithoutANumberRestoresTheLastAcceptedText) {
    for (const char* typed : {"abc", "-", "", "1.2.3"}) {
        recorder.writes.clear();
        type("MusQEdit2", typed);
        EXPECT_EQ(text("MusQEdit2"), "1.00") << typed;
        EXPECT_TRUE(recorder.writes.empty()) << typed;
    }
}

// Showing what the unit holds never writes: a value beyond a box's range shows the nearest end,
// marked with the value held, and both images keep that value.
TEST_F(WindowTest, ShowValueFromAnImageShowsTheNearestEndAndWritesNothing) {
    model.window.set(1, 23, 120);
    window->views().ShowValue(w("MusQEdit1"), 0, ui::kSourceImage, 120);
    EXPECT_EQ(text("MusQEdit1"), "128.00");
    EXPECT_EQ(ui::heldBeyondRange(w("MusQEdit1")), 120);
    EXPECT_EQ(model.window.at(1, 23), 120);

    window->views().ShowValue(w("MusGainEdit1"), 0, ui::kSourceImage, 200);
    EXPECT_EQ(text("MusGainEdit1"), "12.0dB");
    EXPECT_EQ(w("MusGainEdit1")->toolTip(), "The unit holds 200 (beyond this control's range)");
    window->views().ShowValue(w("MusGainEdit1"), 0, ui::kSourceImage, 150);
    EXPECT_EQ(text("MusGainEdit1"), "6.0dB");
    EXPECT_EQ(ui::heldBeyondRange(w("MusGainEdit1")), std::nullopt);
    EXPECT_EQ(w("MusGainEdit1")->toolTip(), "");
    EXPECT_TRUE(recorder.writes.empty());
}

TEST_F(WindowTest, DynamicEqStartLevelNeverExceedsTheCutOff) {
    auto* start = w<QSlider>("DEQRmsLevelBar1");
    auto* cutoff = w<QSlider>("DEQMaxLevelBar1");
    cutoff->setValue(48);
    start->setValue(30);
    cutoff->setValue(10);  // lowering the cut-off pulls the start level down
    EXPECT_EQ(start->value(), 10);
    EXPECT_EQ(text("DEQRmsLevelPane1"), "-26dBu");
    EXPECT_EQ(text("DEQMaxLevelPane1"), "-20dBu");
    EXPECT_EQ(model.window.at(2, 8), 10);

    cutoff->setValue(20);
    recorder.writes.clear();
    start->setValue(40);  // above the cut-off: put back to it
    EXPECT_EQ(start->value(), 20);
    ASSERT_FALSE(recorder.writes.empty());
    EXPECT_EQ(recorder.writes.back(), std::make_pair(2 * 256 + 8, 20));
}

TEST_F(WindowTest, ResetEqWriteCounts) {
    const struct {
        int channel;
        std::size_t writes;
    } cases[] = {{1, 45}, {2, 10}, {20, 55}};
    for (const auto& c : cases) {
        recorder.writes.clear();
        window->ResetEQ(c.channel);
        EXPECT_EQ(recorder.writes.size(), c.writes) << c.channel;
    }
    EXPECT_EQ(model.window.at(1, 61), 325);  // Main band 9 frequency
    EXPECT_EQ(model.window.at(2, 39), 185);  // Auxiliary band 2 frequency
    EXPECT_EQ(text("MusFreEdit2"), "46.8");
}

// A close waits for settings on their way to the unit, and no longer than its limit.
TEST_F(WindowTest, CloseWaitsForChangesInFlightButNotForEver) {
    bool inFlight = true;
    ui::LinkAccess link;
    link.changesInFlight = [&inFlight] { return inFlight; };
    window->setLinkAccess(link);
    EXPECT_FALSE(window->close());
    QTest::qWait(30);
    EXPECT_TRUE(window->isVisible());
    inFlight = false;
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 1000);

    window->show();
    inFlight = true;
    window->setCloseWaitLimit(50);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(window->close());
    QTRY_VERIFY_WITH_TIMEOUT(!window->isVisible(), 1000);
    EXPECT_GE(clock.elapsed(), 50);

    // Nothing on its way: closes at once.
    window->show();
    inFlight = false;
    EXPECT_TRUE(window->close());
}

}  // namespace
}  // namespace vt::test
