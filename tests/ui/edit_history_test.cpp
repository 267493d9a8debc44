// Undo and redo: what makes one step, what undo and redo write, and what they leave alone.
#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest/QTest>
#include <algorithm>
#include <fstream>

#include "eq/eq_graph_panel.h"
#include "eq/marker_widget.h"
#include "link/link_state.h"
#include "model/scales.h"
#include "presets/preset_codec.h"
#include "ui/compressor_editor.h"
#include "ui/edit_history.h"
#include "window_fixture.h"

namespace vt::test {
namespace {

using Writes = std::vector<std::pair<int, int>>;

class EditHistoryTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        linkState = kConnected;
        history().setClock([this] { return now; });
    }
    ui::EditHistory& history() { return window->editHistory(); }
    QUndoStack& stack() { return history().stack(); }
    // Closes a step made of writes outside any action, as the end of the event would.
    void settle() { history().commit(); }
    Writes takeWrites() {
        Writes w = recorder.writes;
        recorder.writes.clear();
        return w;
    }
    void mouse(QWidget* w, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons held) {
        QMouseEvent e(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(w, &e);
    }
    // Loads `file` as the preset file `name` through the window's Load button.
    void loadPreset(const DeviceImage& file, const char* name) {
        const QString path = presetDir.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary)
            << presets::presetFileText(presets::savePresetLines(file, 0));
        dialogs.openName = path;
        window->LoadFileBtnClick();
    }
    qint64 now = 0;
    QTemporaryDir presetDir;
};

// While the link takes no writes (a preset being written, the unit read again) undo and redo
// change neither the window nor the image, and say so.
TEST_F(EditHistoryTest, UndoAndRedoWaitForALinkThatTakesWrites) {
    const int gainBefore = model.device.at(1, 22);
    type("MusGainEdit1", "6");
    settle();
    const QString shown = text("MusGainEdit1");
    const DeviceImage image = model.device;
    recorder.writes.clear();
    int refusals = 0;
    QObject::connect(&history(), &ui::EditHistory::refused, [&refusals] { ++refusals; });
    for (int state : {kNoDevice, kPresent}) {
        linkState = state;
        history().undo();
        history().redo();
        EXPECT_TRUE(recorder.writes.empty());
        EXPECT_EQ(text("MusGainEdit1"), shown);
        EXPECT_EQ(model.device.at(1, 22), image.at(1, 22));
        EXPECT_EQ(stack().index(), 1);
    }
    EXPECT_EQ(refusals, 4);
    // The keys say why, by the link label.
    EXPECT_EQ(QToolTip::text(), "Undo and redo wait until the unit is connected");
    linkState = kConnected;
    history().undo();
    EXPECT_EQ(takeWrites(), (Writes{{256 + 22, gainBefore}}));
}

// A slot that another program changed since a step is left alone by the step's undo and redo,
// which say so in the tip of the other refusals; the step's other slots go back and forth.
TEST_F(EditHistoryTest, UndoAndRedoLeaveAnotherProgramsChangeAlone) {
    const int freqBefore = model.device.at(1, 21);
    history().beginAction();
    type("MusFreEdit1", "2000");
    type("MusGainEdit1", "6");
    history().endAction();
    const int freqAfter = model.device.at(1, 21);
    // Another program sets the gain.
    model.device.set(1, 22, 100);
    history().followOutsideWrite(256 + 22, 100);
    window->ApplyDeviceImage();
    recorder.writes.clear();
    std::vector<QString> said;
    QObject::connect(&history(), &ui::EditHistory::refused,
                     [&](ui::Refusal, const QString& names) { said.push_back(names); });

    history().undo();
    EXPECT_EQ(takeWrites(), (Writes{{256 + 21, freqBefore}}));
    EXPECT_EQ(QToolTip::text(),
              "Undo and redo left alone what another program changed since: Band 1 gain");
    history().redo();
    EXPECT_EQ(takeWrites(), (Writes{{256 + 21, freqAfter}}));
    EXPECT_EQ(model.device.at(1, 22), 100);
    EXPECT_EQ(text("MusGainEdit1"), "-4.0dB");
    EXPECT_EQ(said, (std::vector<QString>{"Band 1 gain", "Band 1 gain"}));
}

TEST_F(EditHistoryTest, AMarkerDragFromPressToReleaseIsOneStep) {
    QWidget* ep3 = window->graph().marker(2);
    const QPoint start = ep3->pos();
    const QString freqBefore = text("MusFreEdit3"), gainBefore = text("MusGainEdit3");
    const int oldFreq = model.device.at(1, 31), oldGain = model.device.at(1, 32);
    const QPoint c(ep3->width() / 2, ep3->height() / 2);
    mouse(ep3, QEvent::MouseButtonPress, c, Qt::LeftButton, Qt::LeftButton);
    for (int i = 1; i <= 4; ++i) {
        mouse(ep3, QEvent::MouseMove, c + QPoint(15, -10), Qt::NoButton, Qt::LeftButton);
        window->Timer1Timer();
    }
    mouse(ep3, QEvent::MouseButtonRelease, c, Qt::LeftButton, Qt::NoButton);
    window->Timer1Timer();
    settle();
    EXPECT_GT(recorder.writes.size(), 4u);  // every tick wrote
    ASSERT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().undoText(), "Band 3");

    recorder.writes.clear();
    history().undo();
    // Old values only, each slot once, and the window shows them again.
    EXPECT_EQ(takeWrites(), (Writes{{256 + 32, oldGain}, {256 + 31, oldFreq}}));
    EXPECT_EQ(text("MusFreEdit3"), freqBefore);
    EXPECT_EQ(text("MusGainEdit3"), gainBefore);
    EXPECT_EQ(ep3->pos(), start);
    EXPECT_EQ(stack().redoText(), "Band 3");
}

TEST_F(EditHistoryTest, ArrowAndWheelStepsOfOneBoxWithinASecondMerge) {
    auto* gain = w<QLineEdit>("MusGainEdit2");
    QTest::mouseClick(gain, Qt::LeftButton);
    const int before = model.device.at(1, 27);
    for (int i = 0; i < 10; ++i) {
        now += 90;
        QTest::keyClick(gain, Qt::Key_Up);
    }
    EXPECT_EQ(model.device.at(1, 27), before + 10);
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().undoText(), "Band 2 gain");

    now += 1500;  // a pause: the next step stands alone
    QTest::keyClick(gain, Qt::Key_Down);
    EXPECT_EQ(stack().count(), 2);

    // A compressor point spun or typed digit by digit is one step while it keeps changing.
    auto* output = w<QSpinBox>("RzSpinEdit4");
    for (int i = 0; i < 3; ++i) {
        now += 200;
        output->stepUp();
        settle();
    }
    EXPECT_EQ(stack().count(), 3);
    EXPECT_EQ(stack().undoText(), "Compressor curve");
    // Told before its write instead of after, a step still merges.
    const auto [pointSlot, pointValue] = recorder.writes.back();
    now += 200;
    history().markBoxStep();
    model.SendDatatoMCU(pointSlot, pointValue + 1);
    settle();
    EXPECT_EQ(stack().count(), 3);
    // Another box breaks the run, even within the second.
    auto* q = w<QLineEdit>("MusQEdit2");
    QTest::mouseClick(q, Qt::LeftButton);
    now += 10;
    QTest::keyClick(q, Qt::Key_Up);
    EXPECT_EQ(stack().count(), 4);

    // Ctrl+Z from the box undoes; Ctrl+Shift+Z and Ctrl+Y redo.
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    recorder.writes.clear();
    QTest::keyClick(q, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(stack().index(), 3);
    QTest::keyClick(q, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(stack().index(), 4);
    for (int i = 0; i < 4; ++i) QTest::keyClick(q, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(stack().index(), 0);
    QTest::keyClick(q, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(stack().index(), 1);
    history().undo();
    EXPECT_EQ(model.device.at(1, 27), before);
    EXPECT_EQ(recorder.writes.back(), std::make_pair(256 + 27, before));
    // The graph's value label shows the band as it now is, not the value taken back.
    EXPECT_TRUE(w<QLabel>("EQlabel")->text().startsWith(text("MusGainEdit2")))
        << w<QLabel>("EQlabel")->text().toStdString();
}

// A bar held with the mouse is one step from press to release; a second press without a
// release (the grab lost to a box) does not leave a step open behind it.
TEST_F(EditHistoryTest, ATrackBarHeldWithTheMouseIsOneStep) {
    QTest::mouseClick(w("FormTabBtn2"), Qt::LeftButton);
    auto* bar = w<QSlider>("OutLDelayBar");
    emit bar->sliderPressed();
    emit bar->sliderPressed();
    for (int v : {5, 9, 14}) bar->setValue(v);
    emit bar->sliderReleased();
    settle();
    EXPECT_EQ(stack().count(), 1);
    bar->setValue(20);  // a key step after the release: a step of its own
    settle();
    EXPECT_EQ(stack().count(), 2);
}

TEST_F(EditHistoryTest, UndoOfAPresetLoadWritesBackWhatTheLoadChangedAndNothingElse) {
    DeviceImage file = model.device;
    const Writes changed = {{256 + 5, 40}, {256 + 21, 288}, {512 + 26, 0}, {512 + 36, 150}};
    Writes old;
    for (auto [a, v] : changed) {
        ASSERT_NE(model.device.at(a), v);
        old.emplace_back(a, model.device.at(a));
        file.set(a, v);
    }
    loadPreset(file, "show.Nddt");
    EXPECT_EQ(model.device, file);
    ASSERT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().undoText(), "Load show.Nddt");

    recorder.writes.clear();
    history().undo();
    Writes undone = takeWrites();
    std::sort(undone.begin(), undone.end());
    EXPECT_EQ(undone, old);
    EXPECT_EQ(text("MusFreEdit1"),
              QString::fromStdString(std::string(frequencyText(old[1].second))));

    history().redo();
    Writes redone = takeWrites();
    std::sort(redone.begin(), redone.end());
    EXPECT_EQ(redone, changed);
    EXPECT_EQ(model.device, file);
}

// A slot past the parameters a single write reaches goes back to the unit with the whole image.
TEST_F(EditHistoryTest, UndoAndRedoOfASlotOnlyAnImageCarriesWriteTheImage) {
    int imageWrites = 0;
    ui::LinkAccess link;
    link.writeImage = [&imageWrites] { ++imageWrites; };
    link.linkState = [] { return kConnected; };
    window->setLinkAccess(link);
    const int beyond = makeAddress(kMainModule, kSlotCount[kMainModule]);  // saved in a preset
    DeviceImage file = model.device;
    const int old = model.device.at(beyond);
    file.set(beyond, old + 7);
    loadPreset(file, "beyond.Nddt");
    ASSERT_EQ(model.device.at(beyond), old + 7);
    ASSERT_EQ(imageWrites, 1);

    history().undo();
    EXPECT_EQ(model.device.at(beyond), old);
    EXPECT_EQ(imageWrites, 2);
    history().redo();
    EXPECT_EQ(model.device.at(beyond), old + 7);
    EXPECT_EQ(imageWrites, 3);

    // Steps of ordinary parameters go out as writes alone.
    w<QLineEdit>("MusGainEdit2")->setFocus();
    model.SendDatatoMCU(makeAddress(kMainModule, 27), model.device.at(kMainModule, 27) + 1);
    settle();
    history().undo();
    EXPECT_EQ(imageWrites, 3);
}

TEST_F(EditHistoryTest, RedoAfterUndoGivesTheOriginalWrites) {
    struct Case {
        const char* what;  // also the step's text
        std::function<void()> act;
    };
    const Case cases[] = {
        {"Band 4 frequency", [this] { type("MusFreEdit4", "5000"); }},
        {"EQ Reset (Main)",
         [this] {
             model.device.set(1, 22, 150);  // as a unit reports it
             window->ApplyDeviceImage();
             history().clear();
             dialogs.answers = {true};
             window->ResetBtnClick();
         }},
        {"Band 3 type", [this] { QTest::mouseClick(w("MusBypassCheck3"), Qt::LeftButton); }},
        {"Band 5 type",
         [this] {
             auto* mode = w<QComboBox>("MusModeBox5");
             mode->setFocus(Qt::MouseFocusReason);
             QTest::keyClick(mode, Qt::Key_Down);
         }},
        {"EQ PASS", [this] { window->MusEQAllpassBtnClick(); }},
        {"Compressor curve", [this] { w<QSpinBox>("RzSpinEdit4")->setValue(21); }},
        {"Left delay", [this] { w<QSlider>("OutLDelayBar")->setValue(15); }},
    };
    for (const Case& c : cases) {
        SetUp();
        c.act();
        settle();
        const Writes original = takeWrites();
        ASSERT_FALSE(original.empty()) << c.what;
        ASSERT_EQ(stack().count(), 1) << c.what;
        EXPECT_EQ(stack().undoText(), c.what);
        const DeviceImage after = model.device;

        history().undo();
        Writes undone = takeWrites();
        EXPECT_FALSE(undone.empty()) << c.what;
        history().redo();
        EXPECT_EQ(takeWrites(), original) << c.what;
        EXPECT_EQ(model.device, after) << c.what;
    }
}

TEST_F(EditHistoryTest, UndoBringsTheWholeWindowInLine) {
    QWidget* pass = window->graph().passLabel();
    const bool passed = pass->isVisibleTo(window.get());
    window->MusEQAllpassBtnClick();
    settle();
    ASSERT_NE(pass->isVisibleTo(window.get()), passed);
    auto* output = w<QSpinBox>("RzSpinEdit4");
    const int before = output->value();
    output->setValue(before + 5);
    settle();
    history().undo();
    EXPECT_EQ(output->value(), before);
    history().undo();
    EXPECT_EQ(pass->isVisibleTo(window.get()), passed);
    history().redo();
    EXPECT_NE(pass->isVisibleTo(window.get()), passed);
}

TEST_F(EditHistoryTest, DeviceCommandsAndReadsAreNoSteps) {
    type("MusGainEdit1", "6");
    settle();
    linkState = 2;
    dialogs.answers = {true};
    QTest::mouseClick(w("DeviceSaveBtn"), Qt::LeftButton);
    settle();
    EXPECT_EQ(recorder.writes.back(), std::make_pair(13, 0));
    EXPECT_EQ(stack().count(), 1);
    EXPECT_EQ(stack().undoText(), "Band 1 gain");

    // A value typed again unchanged is no step either.
    type("MusGainEdit1", "6");
    settle();
    EXPECT_EQ(stack().count(), 1);

    history().clear();
    EXPECT_EQ(stack().count(), 0);
    recorder.writes.clear();
    history().undo();
    EXPECT_TRUE(recorder.writes.empty());
}

}  // namespace
}  // namespace vt::test
