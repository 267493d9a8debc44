// The whole window program against the simulated unit: from start-up to "Device Connected",
// with the window showing the unit's settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <fstream>
#include <memory>

#include "devices/simulated_device.h"
#include "e2e/window_rig.h"
#include "link/link.h"
#include "link/link_state.h"
#include "model/scales.h"
#include "presets/preset_codec.h"
#include "ui/controller_app.h"
#include "ui/edit_history.h"
#include "ui/link_window.h"
#include "ui/main_window.h"
#include "ui/status_dialog.h"

namespace vt::test {
namespace {

TEST(SimulatedWindow, StartsConnectsAndShowsTheUnit) {
    PrivateRuntimeDir runtimeDir;
    ScriptedDialogs dialogs;
    devices::HubOptions options;
    options.simulate = true;
    ui::ControllerApp app(options, dialogs);
    app.start();
    auto* label = app.mainWindow().findChild<QLabel*>("LinkLabel");
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == "Connecting ..."; }, 5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return app.statusDialog().isVisible(); }, 2000));
    EXPECT_EQ(app.statusDialog().labelText(), "Staus：Connecting ...");
    EXPECT_TRUE(QTest::qWaitFor([&] { return label->text() == "Device Connected"; }, 20000))
        << label->text().toStdString();
    EXPECT_EQ(app.mainWindow().windowTitle(),
              "KV Series DSP Control Software v3.4.3 Beta[Connected]");
    EXPECT_FALSE(app.statusDialog().isVisible());

    const auto& unit = app.hub().simulated()->unit();
    const int band1Freq = unit.image().at(1, 21);
    auto* freq = app.mainWindow().findChild<QLineEdit*>("MusFreEdit1");
    EXPECT_EQ(freq->text().toStdString(), std::string(frequencyText(band1Freq)));
    EXPECT_EQ(app.model().device.at(1, 21), band1Freq);

    // The volume pane follows the keep-alive answers.
    auto* volume = app.mainWindow().findChild<QLabel*>("SysMusNormalVolPane");
    const QString expected = QString::fromStdString(volumeText(unit.image().at(1, 1)));
    EXPECT_TRUE(QTest::qWaitFor([&] { return volume->text() == expected; }, 6000));

    // A user edit reaches the unit.
    app.model().SendDatatoMCU(makeAddress(1, 22), 150);
    EXPECT_TRUE(QTest::qWaitFor([&] { return unit.image().at(1, 22) == 150; }, 6000));
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ConnectedWindow, EditStepsSurviveAPresetWriteAndGoWithARead) {
    ui::EditHistory& history = app->mainWindow().editHistory();
    const QUndoStack& stack = history.stack();

    type("MusGainEdit1", "6");
    ASSERT_EQ(stack.count(), 1);
    EXPECT_EQ(app->linkWindow().editStatus(), "Undo: Band 1 gain    Redo: -");

    // A preset written into the unit ends in the same completion as a read, but keeps the steps.
    DeviceImage file = app->model().device;
    file.set(1, 21, 100);
    loadPreset(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == "Downloading..."; }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == "Device Connected"; }, 20000));
    EXPECT_EQ(stack.count(), 2);
    EXPECT_EQ(app->linkWindow().editStatus(), "Undo: Load show.Nddt    Redo: -");

    // "Recovery" reads the unit again: nothing before it can be undone any more.
    dialogs.answers = {true};
    app->mainWindow().findChild<QPushButton*>("DeviceLoadBtn")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return stack.count() == 0; }, 20000));
    EXPECT_EQ(app->linkWindow().editStatus(), "Undo: -    Redo: -");
}

// Undo and redo pressed while a preset is written, or while the unit is read again, change
// nothing and say why; afterwards the window and the unit agree, and undo works again.
TEST_F(ConnectedWindow, UndoWaitsWhileAPresetIsWrittenOrTheUnitReadAgain) {
    ui::MainWindow& window = app->mainWindow();
    ui::EditHistory& history = window.editHistory();
    const auto& unit = app->hub().simulated()->unit();
    QAction* undo = nullptr;
    for (QAction* a : window.actions())
        if (a->shortcut() == QKeySequence("Ctrl+Z")) undo = a;
    ASSERT_NE(undo, nullptr);
    // The first address of modules 1 to 3 where the window's image and the unit's differ.
    auto disagreement = [&] {
        for (int m = 1; m < kModuleCount; ++m)
            for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
                if (app->model().device.at(m, s) != unit.image().at(m, s)) return makeAddress(m, s);
        return -1;
    };
    QLineEdit* gain = type("MusGainEdit1", "6");
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit.image().at(1, 22) == 150; }, 6000));

    DeviceImage file = app->model().device;
    file.set(1, 21, 100);
    file.set(1, 22, 130);
    loadPreset(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == "Downloading..."; }, 5000));
    const QString shown = gain->text();
    const DeviceImage loading = app->model().device;
    undo->trigger();
    EXPECT_EQ(history.stack().index(), 2);
    EXPECT_EQ(gain->text(), shown);
    EXPECT_TRUE(app->model().device == loading);
    EXPECT_TRUE(app->linkWindow().editStatus().endsWith(
        "    (Undo and redo wait until the unit is connected)"))
        << app->linkWindow().editStatus().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->text() == "Device Connected"; }, 20000));
    EXPECT_EQ(disagreement(), -1);
    EXPECT_EQ(unit.image().at(1, 22), 130);

    // Connected again, the undo takes the load back on the unit as in the window.
    undo->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return disagreement() == -1; }, 6000)) << disagreement();
    EXPECT_EQ(unit.image().at(1, 22), 150);
    EXPECT_EQ(gain->text(), "6.0dB");

    // "Recovery" reads the unit again; an undo meanwhile does nothing, and the read clears it.
    dialogs.answers = {true};
    window.findChild<QPushButton*>("DeviceLoadBtn")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->link().linkState() != kConnected; }, 5000));
    const DeviceImage during = app->model().device;
    undo->trigger();
    EXPECT_TRUE(app->model().device == during);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->link().linkState() == kConnected; }, 20000));
    EXPECT_EQ(history.stack().count(), 0);
    EXPECT_EQ(disagreement(), -1);
    EXPECT_EQ(gain->text(), QString::fromStdString(gainText(unit.image().at(1, 22))));
}

// Closed straight after a burst of edits, the window goes only once the unit holds the last one.
TEST_F(ConnectedWindow, ClosingRightAfterEditsWaitsUntilTheUnitHoldsThem) {
    auto& unit = app->hub().simulated()->unit();
    unit.setLatency(std::chrono::milliseconds(40));
    for (int value = 101; value <= 105; ++value)
        app->model().SendDatatoMCU(makeAddress(1, 22), value);
    ui::MainWindow& window = app->mainWindow();
    EXPECT_FALSE(window.close());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.isVisible(); }, 5000));
    EXPECT_EQ(unit.image().at(1, 22), 105);
}

TEST_F(ConnectedWindow, ALiveLanguageSwitchRelabelsTheLinkAndItsMessages) {
    EXPECT_EQ(label->toolTip(), "设备已连接");

    QSignalSpy switched(&app->mainWindow(), &ui::MainWindow::languageSwitched);
    // The status dialog took the activation while it was on show; give it back.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            app->mainWindow().activateWindow();
            return QApplication::activeWindow() == &app->mainWindow();
        },
        2000));
    QTest::keyClick(&app->mainWindow(), Qt::Key_E, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(label->text(), "设备已连接");
    EXPECT_EQ(label->toolTip(), "Device Connected");
    ASSERT_EQ(switched.count(), 1);
    EXPECT_EQ(switched.front().front().toInt(), 1);

    // The unit refuses the next write: its message comes in the new language.
    app->hub().simulated()->unit().faults().errorReplies = 1;
    app->model().SendDatatoMCU(makeAddress(1, 22), 150);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.told.empty(); }, 6000));
    EXPECT_TRUE(dialogs.told.back().endsWith("|错误应答!")) << dialogs.told.back().toStdString();
}

}  // namespace
}  // namespace vt::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
