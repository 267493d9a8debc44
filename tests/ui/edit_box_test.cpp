// Band edit boxes driven by the keyboard and the mouse wheel, and the whole-equaliser buttons.
#include <QSlider>
#include <QtTest/QTest>

#include "model/compressor_curve.h"
#include "model/scales.h"
#include "ui/range_mark.h"
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

// A control that shows the nearest end of a value beyond its range writes nothing when the focus
// passes through it or Enter confirms its untouched text; a move of the user's writes and ends
// the mark. A compressor point beyond the spin edits stays as the unit holds it while another
// point is edited.
TEST_F(EditBoxTest, AMarkedControlWritesNothingUntilTheUserMovesIt) {
    constexpr int kFreq1 = 0x0115, kAttack = 0x0105, kPoint2 = 0x010A;
    const int point2 = (150 << 8) + 80;  // input -50 dB, output -120 dB
    model.device.set(kFreq1, 400);
    model.device.set(kAttack, 300);
    model.device.set(kPoint2, point2);
    window->ApplyDeviceImage();
    auto* freq = click("MusFreEdit1");
    EXPECT_EQ(freq->text(), QString::fromStdString(std::string(frequencyText(kFreqIndexMax))));
    EXPECT_EQ(ui::heldBeyondRange(freq), 400);
    QTest::keyClick(freq, Qt::Key_Return);
    click("MusFreEdit2");
    click("MusFreEdit1");
    click("MusGainEdit1");
    for (const auto& [address, value] : recorder.writes) EXPECT_NE(address, kFreq1) << value;
    EXPECT_EQ(model.device.at(kFreq1), 400);
    EXPECT_EQ(ui::heldBeyondRange(freq), 400);

    click("MusFreEdit1");
    recorder.writes.clear();
    freq->selectAll();
    QTest::keyClicks(freq, "1000");
    QTest::keyClick(freq, Qt::Key_Return);
    const int chosen = static_cast<int>(SnapToScale(kViewFreq, 1000));
    EXPECT_EQ(recorder.writes, (std::vector<std::pair<int, int>>{{kFreq1, chosen}}));
    EXPECT_EQ(ui::heldBeyondRange(freq), std::nullopt);

    auto* attack = w<QSlider>("MusRmsAttackBar");
    EXPECT_EQ(ui::heldBeyondRange(attack), 300);
    recorder.writes.clear();
    attack->setValue(50);  // as a drag does
    EXPECT_EQ(recorder.writes, (std::vector<std::pair<int, int>>{{kAttack, 50}}));
    EXPECT_EQ(ui::heldBeyondRange(attack), std::nullopt);
    EXPECT_EQ(ui::heldBeyondRange(w("MusRmsAttackPane")), std::nullopt);

    EXPECT_EQ(ui::heldBeyondRange(w("RzSpinEdit6")), -120);
    recorder.writes.clear();
    w<QSpinBox>("RzSpinEdit8")->setValue(-10);  // point 3's output
    // The edited point is written (and what its shaping moves), never the held one.
    ASSERT_FALSE(recorder.writes.empty());
    EXPECT_EQ(recorder.writes.front(), std::make_pair(0x010B, (200 << 8) + 190));
    for (const auto& [address, value] : recorder.writes) EXPECT_NE(address, kPoint2) << value;
    EXPECT_EQ(model.device.at(kPoint2), point2);
    EXPECT_EQ(ui::heldBeyondRange(w("RzSpinEdit6")), -120);
}

// A box the user is typing in keeps the typing when a value comes from outside; the outside
// value shows once the box is left without confirming (Esc, the focus going elsewhere) and is
// what a wrong entry falls back to.
TEST_F(EditBoxTest, TypingOutlivesAnOutsideValue) {
    auto outside = [this](int address, int value) {
        model.device.set(address, value);
        window->ApplyDeviceImage();
    };
    auto* band2 = click("MusFreEdit2");
    band2->selectAll();
    QTest::keyClicks(band2, "20");
    outside(0x0101, 444);
    EXPECT_EQ(band2->text(), "20");
    QTest::keyClicks(band2, "00");
    QTest::keyClick(band2, Qt::Key_Return);
    EXPECT_EQ(recorder.writes, (std::vector<std::pair<int, int>>{
                                   {0x011A, static_cast<int>(SnapToScale(kViewFreq, 2000))}}));

    const auto shown = [](int index) {
        return QString::fromStdString(std::string(frequencyText(index)));
    };
    recorder.writes.clear();
    auto* band3 = click("MusFreEdit3");
    band3->selectAll();
    QTest::keyClicks(band3, "20");
    outside(0x011F, 200);
    EXPECT_EQ(band3->text(), "20");
    QTest::keyClick(band3, Qt::Key_Escape);
    EXPECT_EQ(band3->text(), shown(200));

    auto* band4 = click("MusFreEdit4");
    band4->selectAll();
    QTest::keyClicks(band4, "20");
    outside(0x0124, 210);
    click("MusFreEdit5");
    EXPECT_EQ(band4->text(), shown(210));

    auto* band5 = w<QLineEdit>("MusFreEdit5");
    band5->selectAll();
    QTest::keyClicks(band5, "-");
    outside(0x0129, 220);
    QTest::keyClick(band5, Qt::Key_Return);
    EXPECT_EQ(band5->text(), shown(220));
    // The focus leaving a box sends its value again; never the dropped typing.
    for (const auto& [address, value] : recorder.writes) {
        if (address == 0x011F || address == 0x0124 || address == 0x0129) {
            EXPECT_EQ(value, model.device.at(address)) << address;
        }
    }
    EXPECT_EQ(model.device.at(0x011F), 200);
    EXPECT_EQ(model.device.at(0x0124), 210);
    EXPECT_EQ(model.device.at(0x0129), 220);
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
