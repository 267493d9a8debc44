// The shared handlers of the channel, output and system controls, driven with mouse and key
// events on the shown window, and the device commands when the unit changes under an open box.
#include <QRadioButton>
#include <QSlider>
#include <QtTest/QTest>
#include <functional>

#include "window_fixture.h"

namespace vt::test {
namespace {

class ControlHandlers : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    std::pair<int, int> lastWrite() const {
        return recorder.writes.empty() ? std::pair{-1, -1} : recorder.writes.back();
    }
};

TEST_F(ControlHandlers, EachFamilyWritesItsSlot) {
    struct Case {
        const char* what;
        std::function<void()> act;
        std::vector<std::pair<int, int>> writes;
    };
    const Case cases[] = {
        {"bypass, then LSQ in a bypassed type box",
         [this] {
             QTest::mouseClick(w("MusBypassCheck3"), Qt::LeftButton);
             auto* mode = w<QComboBox>("MusModeBox3");
             mode->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(mode, Qt::Key_Down);
         },
         {{286, 10}, {286, 11}}},
        {"bypass checked on a slot holding 11",
         [this] {
             model.window.set(1, 35, 11);
             model.device.set(1, 35, 11);
             QTest::mouseClick(w("MusBypassCheck4"), Qt::LeftButton);
         },
         {{291, 11}}},
        {"input radio 2",
         [this] { QTest::mouseClick(w("SysInputRadio2"), Qt::LeftButton); },
         {{10, 1}}},
        {"phase button twice",
         [this] {
             model.device.set(1, 7, 0);  // as a unit reports it
             window->ApplyDeviceImage();
             QTest::mouseClick(w("FormTabBtn2"), Qt::LeftButton);
             recorder.writes.clear();
             QTest::mouseClick(w("OutRPhaseBtn"), Qt::LeftButton);
             QTest::mouseClick(w("OutRPhaseBtn"), Qt::LeftButton);
         },
         {{263, 1}, {263, 0}}},
    };
    for (const Case& c : cases) {
        SetUp();
        c.act();
        EXPECT_EQ(recorder.writes, c.writes) << c.what;
    }
}

TEST_F(ControlHandlers, TypeBoxMovesItsQBoxBetweenPeakAndShelfSlots) {
    model.window.set(1, 33, 30);  // peaking Q of band 3
    model.window.set(1, 34, 10);  // shelf Q of band 3
    auto* mode = w<QComboBox>("MusModeBox3");
    auto* q = w<QLineEdit>("MusQEdit3");
    mode->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(mode, Qt::Key_Down);  // LSQ
    EXPECT_EQ(model.effectiveAddress(ui::tagOf(q)), 256 + 34);
    const QString shelf = q->text();
    QTest::keyClick(mode, Qt::Key_Up);  // PEQ
    EXPECT_EQ(model.effectiveAddress(ui::tagOf(q)), 256 + 33);
    EXPECT_NE(q->text(), shelf);
}

TEST_F(ControlHandlers, DelayBarWritesAndShowsMilliseconds) {
    QTest::mouseClick(w("FormTabBtn2"), Qt::LeftButton);
    auto* bar = w<QSlider>("OutLDelayBar");
    bar->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(bar, Qt::Key_Home);
    for (int i = 0; i < 15; ++i) QTest::keyClick(bar, Qt::Key_Right);
    EXPECT_EQ(lastWrite(), std::make_pair(256, 15));
    EXPECT_EQ(text("OutLDelayPane"), "1.5ms");
}

// The unit is unplugged and found again while a confirmation is open: Yes then does nothing,
// and no later acknowledge can be taken for a save.
TEST_F(ControlHandlers, ConfirmationsActOnlyOnTheLinkTheyWereAskedAbout) {
    int saves = 0;
    ui::LinkAccess link;
    link.linkState = [this] { return linkState; };
    link.awaitSave = [&] { ++saves; };
    window->setLinkAccess(link);
    linkState = 2;
    dialogs.whileOpen = [this] { linkState = 1; };  // hot-plug: the unit is being read again
    for (const char* b : {"DeviceSaveBtn", "DeviceLoadBtn", "DeviceResetBtn"}) {
        dialogs.answers = {true};
        linkState = 2;
        QTest::mouseClick(w(b), Qt::LeftButton);
    }
    model.window.set(1, 22, 150);
    dialogs.answers = {true};
    linkState = 2;
    QTest::mouseClick(w("ResetBtn"), Qt::LeftButton);
    dialogs.answers = {true};
    linkState = 2;
    QTest::mouseClick(w("RmsResetBtn"), Qt::LeftButton);  // the compressor curve's reset
    EXPECT_EQ(dialogs.asked.size(), 5u);
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(model.window.at(1, 22), 150);

    dialogs.whileOpen = nullptr;
    dialogs.answers = {true};
    linkState = 2;
    QTest::mouseClick(w("DeviceSaveBtn"), Qt::LeftButton);
    EXPECT_EQ(recorder.writes, (std::vector<std::pair<int, int>>{{13, 0}}));
    EXPECT_EQ(saves, 1);
}

}  // namespace
}  // namespace vt::test
