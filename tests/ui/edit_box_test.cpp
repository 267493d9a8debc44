// Band edit boxes driven by the keyboard and the mouse wheel, and the whole-equaliser buttons.
#include <QtTest/QTest>

#include "window_fixture.h"

namespace vt::test {
namespace {

class EditBoxTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QLineEdit* click(const char* name) {
        auto* box = w<QLineEdit>(name);
        QTest::mouseClick(box, Qt::LeftButton);
        return box;
    }
    void wheel(int delta) {
        QWheelEvent e(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window.get(), &e);
    }
};

TEST_F(EditBoxTest, TypingLettersNeverShowsAndEnterAccepts) {
    auto* box = click("MusGainEdit1");
    EXPECT_TRUE(recorder.writes.empty());  // a click normalises without writing
    box->selectAll();
    QTest::keyClicks(box, "x-3");
    EXPECT_EQ(box->text(), "-3");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), "-3.0dB");
    EXPECT_EQ(model.window.at(278), 105);
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0], std::make_pair(278, 105));
}

TEST_F(EditBoxTest, WheelStepsTheClickedBoxUntilABypassClick) {
    click("MusGainEdit2");
    wheel(120);
    EXPECT_EQ(text("MusGainEdit2"), "0.2dB");
    wheel(-240);  // one step whatever the size of the delta
    EXPECT_EQ(text("MusGainEdit2"), "0.0dB");
    QTest::mouseClick(w<QCheckBox>("MusBypassCheck2"), Qt::LeftButton);
    EXPECT_EQ(window->wheelArmed(), 0);
    wheel(120);
    EXPECT_EQ(text("MusGainEdit2"), "0.0dB");
}

TEST_F(EditBoxTest, ArrowKeysStepAndAnEmptiedBoxGetsItsTextBack) {
    auto* box = click("MusFreEdit3");
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_EQ(box->text(), "103.0");
    EXPECT_EQ(model.window.at(1, 31), 86);
    box->clear();
    QTest::mouseClick(w<QLineEdit>("MusFreEdit4"), Qt::LeftButton);
    EXPECT_EQ(box->text(), "103.0");
}

TEST_F(EditBoxTest, EqResetAsksAndResetsOnlyTheChannelOnShow) {
    model.window.set(1, 22, 150);
    model.device.set(1, 22, 150);
    model.device.set(2, 35, 150);
    dialogs.answers = {false};
    window->ResetBtnClick();
    EXPECT_EQ(model.device.at(1, 22), 150);
    dialogs.answers = {true};
    window->ResetBtnClick();
    EXPECT_EQ(model.device.at(1, 22), 120);
    EXPECT_EQ(model.device.at(2, 35), 150);
    EXPECT_EQ(dialogs.asked.back(), "Confirm|Reset all EQ parameters?");
}

TEST_F(EditBoxTest, EqPassTogglesAndWrites) {
    const auto before = ui::hintOf(w("MusEQAllpassBtn"));
    QTest::mouseClick(w<QWidget>("MusEQAllpassBtn"), Qt::LeftButton);
    QTest::mouseClick(w<QWidget>("MusEQAllpassBtn"), Qt::LeftButton);
    ASSERT_EQ(recorder.writes.size(), 2u);
    EXPECT_EQ(recorder.writes[0].first, 275);
    EXPECT_EQ(recorder.writes[1].first, 275);
    EXPECT_NE(recorder.writes[0].second, recorder.writes[1].second);
    EXPECT_EQ(ui::hintOf(w("MusEQAllpassBtn")), before);
    EXPECT_EQ(w<QLabel>("EQPassLabel")->isVisible(), before == "1");
}

}  // namespace
}  // namespace vt::test
