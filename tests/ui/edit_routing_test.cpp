// Edits land where the user means them: the wheel steps only what was armed, typed text is taken
// only when the focus moves on inside the window, and no hidden box is ever the current one.
#include <QAbstractSpinBox>
#include <QApplication>
#include <QMessageBox>
#include <QSlider>
#include <QSpinBox>
#include <QtTest/QTest>

#include "window_fixture.h"

namespace vt::test {
namespace {

class EditRouting : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QLineEdit* click(const char* name, Qt::MouseButton button = Qt::LeftButton) {
        auto* box = w<QLineEdit>(name);
        QTest::mouseClick(box, button);
        return box;
    }
    // One wheel notch over `target`, delivered as the window system would: to the widget under
    // the pointer.
    void wheelOver(QWidget* target, int delta = 120) {
        const QPointF at(target->width() / 2.0, target->height() / 2.0);
        QWheelEvent e(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    }
    void disarm() { QTest::mouseClick(w<QCheckBox>("MusBypassCheck9"), Qt::LeftButton); }
};

TEST_F(EditRouting, WheelOverAnotherControlStepsTheArmedBoxOnly) {
    click("MusGainEdit1");
    auto* mode2 = w<QComboBox>("MusModeBox2");
    const int modeBefore = mode2->currentIndex();
    for (QWidget* over : {static_cast<QWidget*>(mode2), w("OutLDelayBar"), w("RzSpinEdit4"),
                          w("Image1"), w("Chart1"), static_cast<QWidget*>(window.get())})
        wheelOver(over);
    EXPECT_EQ(mode2->currentIndex(), modeBefore);
    EXPECT_EQ(text("MusGainEdit1"), "1.2dB");  // six notches of 0.2 dB
    for (const auto& [address, value] : recorder.writes) EXPECT_EQ(address, 278) << value;
    EXPECT_EQ(recorder.writes.size(), 6u);
}

TEST_F(EditRouting, UnarmedWheelChangesOnlyAFocusedValueControl) {
    disarm();
    recorder.writes.clear();
    auto* mode2 = w<QComboBox>("MusModeBox2");
    auto* spin = w<QSpinBox>("RzSpinEdit4");
    const int spinBefore = spin->value();
    for (QWidget* over : {static_cast<QWidget*>(mode2), static_cast<QWidget*>(spin), w("Image1"),
                          w("Chart1"), w("EP3")})
        wheelOver(over);
    EXPECT_EQ(mode2->currentIndex(), 0);
    EXPECT_EQ(spin->value(), spinBefore);
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_EQ(mode2->focusPolicy(), Qt::StrongFocus);

    // Clicked first, the spin box takes the notch as usual.
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(5, spin->height() / 2));
    ASSERT_TRUE(spin->hasFocus());
    wheelOver(spin);
    EXPECT_EQ(spin->value(), spinBefore + 1);
}

TEST_F(EditRouting, TypedTextWaitsWhileAMessageBoxHasTheFocus) {
    auto* box = click("MusFreEdit1");
    box->selectAll();
    QTest::keyClicks(box, "5000");
    std::size_t writesWhileOpen = 99;
    dialogs.whileOpen = [&] {
        QMessageBox question(QMessageBox::Question, "Confirm", "Reset all EQ parameters?",
                             QMessageBox::Yes | QMessageBox::No, window.get());
        question.show();
        question.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&question));
        writesWhileOpen = recorder.writes.size();
    };
    dialogs.answers = {false};
    QTest::mouseClick(w("ResetBtn"), Qt::LeftButton);
    EXPECT_EQ(writesWhileOpen, 0u);
    EXPECT_EQ(box->text(), "5000");
    EXPECT_TRUE(recorder.writes.empty());

    // Moving on to another control of the window takes it.
    click("MusGainEdit1");
    EXPECT_EQ(box->text(), "5040.0");
    ASSERT_EQ(recorder.writes.size(), 1u);
    EXPECT_EQ(recorder.writes[0].first, 1 * 256 + 21);
}

TEST_F(EditRouting, OnlyTheLeftButtonArmsAndShortcutsInsertNothing) {
    disarm();
    click("MusGainEdit3", Qt::RightButton);
    EXPECT_EQ(window->wheelArmed(), 0);
    if (QWidget* menu = QApplication::activePopupWidget()) menu->close();

    auto* box = click("MusGainEdit3");
    EXPECT_EQ(window->wheelArmed(), 1);
    box->selectAll();
    QTest::keyClicks(box, "-3");
    QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(box, Qt::Key_7, Qt::AltModifier);
    EXPECT_EQ(box->text(), "-3");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(box->text(), "-3.0dB");
}

TEST_F(EditRouting, NoHiddenBoxIsEverCurrent) {
    const QString hiddenBefore = text("HintLowPassFre");
    window->ApplyDeviceImage();
    EXPECT_EQ(model.currentEditBox, "");
    window->RzBmpButton1Click();  // factory page and back
    window->RzBmpButton1Click();
    EXPECT_EQ(model.currentEditBox, "");
    recorder.writes.clear();
    wheelOver(window.get());
    EXPECT_TRUE(recorder.writes.empty());
    EXPECT_EQ(text("HintLowPassFre"), hiddenBefore);

    // The box the user armed stays current while it is on show, and only then.
    click("MusGainEdit2");
    window->ApplyDeviceImage();
    EXPECT_EQ(model.currentEditBox, "MusGainEdit2");
    QTest::mouseClick(w("FormTabBtn2"), Qt::LeftButton);  // the Auxiliary group covers it
    EXPECT_EQ(model.currentEditBox, "");
    recorder.writes.clear();
    wheelOver(window.get());
    EXPECT_TRUE(recorder.writes.empty());
    QTest::mouseClick(w("FormTabBtn1"), Qt::LeftButton);
    EXPECT_EQ(model.currentEditBox, "MusGainEdit2");

    dialogs.answers = {true};
    window->ResetBtnClick();
    EXPECT_EQ(model.currentEditBox, "MusGainEdit2");
}

TEST_F(EditRouting, EditorTickSleepsWhenThereIsNothingToDo) {
    QTest::qWait(50);
    EXPECT_FALSE(window->editorTickRunning());
    auto* box = click("MusGainEdit4");
    QTest::keyClick(box, Qt::Key_Up);
    EXPECT_TRUE(window->editorTickRunning());
    QTest::qWait(50);
    EXPECT_FALSE(window->editorTickRunning());
}

}  // namespace
}  // namespace vt::test
