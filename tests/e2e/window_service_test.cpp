// The window and the control service: the window as the owner that other programs reach the unit
// through, and the window as a client of another owner (as of `vortella-cli serve`), driving that
// owner's unit without opening a device of its own.
#include <unistd.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest/QTest>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "e2e/service_rig.h"
#include "e2e/window_rig.h"
#include "link/link_state.h"
#include "model/compressor_curve.h"
#include "model/scales.h"
#include "service/control_client.h"
#include "service/control_service.h"
#include "service/endpoint_path.h"
#include "service/local_endpoint.h"
#include "ui/link_window.h"
#include "ui/served_link.h"

namespace vt::test {
namespace {

constexpr int kBand1Freq = 0x0115;  // module 1, slot 21
constexpr int kBand1Gain = 0x0116;  // module 1, slot 22

// --- The window as the owner ----------------------------------------------------------------

class WindowOwner : public ConnectedWindow {
  protected:
    void SetUp() override {
        ConnectedWindow::SetUp();
        ASSERT_NE(app->service(), nullptr);
        ASSERT_TRUE(other.open());
    }
    const sim::SimulatedUnit& unit() { return app->hub().simulated()->unit(); }
    QString boxText(const char* name) {
        return app->mainWindow().findChild<QLineEdit*>(name)->text();
    }
    Client other;
};

TEST_F(WindowOwner, AClientsSetShowsAtOnceAndIsNoStepOfTheWindowsHistory) {
    ui::EditHistory& history = app->mainWindow().editHistory();
    type("MusGainEdit1", "6");
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 150; }, 6000));
    ASSERT_EQ(history.stack().count(), 1);
    auto* marker = app->mainWindow().findChild<QWidget*>("EP1");
    ASSERT_NE(marker, nullptr);
    const QPoint before = marker->pos();

    const auto answer = other.call("set", {{"address", kBand1Gain}, {"value", 130}});
    ASSERT_TRUE(answer && answer->ok) << (answer ? answer->message : "no answer");
    EXPECT_EQ(unit().image().at(kBand1Gain), 130);
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxText("MusGainEdit1") == "2.0dB"; }, 1000));
    EXPECT_NE(marker->pos(), before);  // the graph follows, markers and curve

    // So do the compressor's spin boxes and chart.
    const int point2 = makeAddress(kMainModule, slot_ids::kMainCurveFirst + 2);
    CurvePoint point = curvePointOfSlot(app->model().device.at(point2));
    point.output += 2;
    const auto curve = other.call("set", {{"address", point2}, {"value", slotOfCurvePoint(point)}});
    ASSERT_TRUE(curve && curve->ok) << (curve ? curve->message : "no answer");
    auto* output2 = app->mainWindow().findChild<QSpinBox*>("RzSpinEdit6");
    EXPECT_TRUE(QTest::qWaitFor([&] { return output2->value() == point.output; }, 1000))
        << output2->value() << " " << point.output;
    EXPECT_EQ(history.stack().count(), 1);
    EXPECT_EQ(history.stack().undoText(), "Band 1 gain");

    // The window's next change of the band starts from the client's value: its undo gives the
    // client's value back, not the window's older one.
    type("MusGainEdit1", "4");
    ASSERT_EQ(history.stack().count(), 2);
    history.undo();
    EXPECT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 130; }, 6000))
        << unit().image().at(kBand1Gain);
    EXPECT_EQ(boxText("MusGainEdit1"), "2.0dB");
}

TEST_F(WindowOwner, SubscribersHearTheWindowsOwnChangesAndItsStatus) {
    const auto subscribed = other.call("subscribe");
    ASSERT_TRUE(subscribed && subscribed->ok);
    EXPECT_EQ(subscribed->result["link"]["state"], "connected");
    type("MusGainEdit1", "6");
    EXPECT_TRUE(QTest::qWaitFor([&] { return other.sawChange(kBand1Gain, 150, "window"); }, 6000));

    const auto status = other.call("status");
    ASSERT_TRUE(status && status->ok);
    EXPECT_EQ(status->result["owner"]["program"], "window");
    EXPECT_EQ(status->result["owner"]["pid"], static_cast<long long>(getpid()));
    EXPECT_EQ(status->result["unit"], "simulated");
}

TEST_F(WindowOwner, APresetLoadedByAClientShowsInTheWindow) {
    DeviceImage file = app->model().device;
    file.set(kBand1Freq, 100);
    file.set(kBand1Gain, 140);
    const auto answer = other.call("load", {{"path", writePreset(file).toStdString()}});
    ASSERT_TRUE(answer && answer->ok) << (answer ? answer->message : "no answer");
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxText("MusGainEdit1") == "4.0dB"; }, 1000));
    EXPECT_EQ(boxText("MusFreEdit1").toStdString(), std::string(frequencyText(100)));
    EXPECT_EQ(app->model().window.at(kBand1Gain), 140);
}

// Window 135 -> 145, a client sets 100: undo and redo leave the client's 100 and say so.
TEST_F(WindowOwner, UndoAndRedoLeaveAClientsChangeAlone) {
    ui::EditHistory& history = app->mainWindow().editHistory();
    type("MusGainEdit1", "3");
    type("MusGainEdit1", "5");
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 145; }, 6000));
    const auto answer = other.call("set", {{"address", kBand1Gain}, {"value", 100}});
    ASSERT_TRUE(answer && answer->ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return boxText("MusGainEdit1") == "-4.0dB"; }, 1000));

    history.undo();
    history.redo();
    QTest::qWait(300);
    EXPECT_EQ(unit().image().at(kBand1Gain), 100);
    EXPECT_EQ(boxText("MusGainEdit1"), "-4.0dB");
    EXPECT_TRUE(app->linkWindow().editStatus().endsWith(
        "(Undo and redo left alone what another program changed since: Band 1 gain)"))
        << app->linkWindow().editStatus().toStdString();
}

// --- The window as a client -----------------------------------------------------------------

class ServedWindow : public WindowProgram {
  protected:
    void SetUp() override {
        owner = std::make_unique<HeadlessOwner>();
        ASSERT_TRUE(owner->start());
        startWindow();
        ASSERT_TRUE(waitForLabel("Device Connected"));
        ASSERT_NE(app->servedLink(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return gainBox()->text() == shownGain(); }, 2000));
    }
    void TearDown() override {
        app.reset();
        owner.reset();
    }
    QLineEdit* gainBox() { return app->mainWindow().findChild<QLineEdit*>("MusGainEdit1"); }
    QString shownGain() { return QString::fromStdString(gainText(unit().image().at(kBand1Gain))); }
    sim::SimulatedUnit& unit() { return owner->unit(); }

    std::unique_ptr<HeadlessOwner> owner;
};

TEST_F(ServedWindow, ShowsTheOwnersUnitNamesTheOwnerAndOpensNoDevice) {
    EXPECT_EQ(app->runtime(), nullptr);
    EXPECT_EQ(label->toolTip().toStdString(),
              "served by vortella-cli serve (pid " + std::to_string(getpid()) + ")");
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            ASSERT_EQ(app->model().device.at(m, s), owner->model.device.at(m, s)) << m << " " << s;
    EXPECT_EQ(app->mainWindow().windowTitle(),
              "KV Series DSP Control Software v3.4.3 Beta[Connected]");
}

TEST_F(ServedWindow, EditsReachTheOwnersUnitOneSetPerParameterAtATime) {
    type("MusGainEdit1", "6");
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 150; }, 6000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->servedLink()->changesInFlight(); }, 2000));

    // A dragged slider: forty values at once go out as the first and the last.
    unit().setKeepLog(true);
    unit().clearHeard();
    for (int value = 100; value < 140; ++value) app->model().SendDatatoMCU(kBand1Gain, value);
    ui::MainWindow& window = app->mainWindow();
    EXPECT_FALSE(window.close());  // the last value is still on its way
    // The owner's word of the first value, older than the window's, never shows.
    bool overtaken = false;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            overtaken = overtaken || app->model().device.at(kBand1Gain) != 139;
            return !window.isVisible();
        },
        6000));
    EXPECT_FALSE(overtaken);
    EXPECT_EQ(unit().image().at(kBand1Gain), 139);
    int writes = 0;
    for (const auto& h : unit().heard()) writes += h.address == kBand1Gain ? 1 : 0;
    EXPECT_EQ(writes, 2);
}

TEST_F(ServedWindow, AnotherClientsChangeShowsAndIsNoStep) {
    Client other;
    ASSERT_TRUE(other.open());
    const auto answer = other.call("set", {{"address", kBand1Gain}, {"value", 130}});
    ASSERT_TRUE(answer && answer->ok);
    EXPECT_TRUE(QTest::qWaitFor([&] { return gainBox()->text() == "2.0dB"; }, 2000));
    EXPECT_EQ(app->mainWindow().editHistory().stack().count(), 0);
    EXPECT_EQ(app->model().device.at(kBand1Gain), 130);
}

TEST_F(ServedWindow, LoadStoreBluetoothAndFactoryGoThroughTheOwner) {
    DeviceImage file = app->model().device;
    file.set(kBand1Freq, 100);
    file.set(kBand1Gain, 130);
    loadPreset(file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 130; }, 10000));
    EXPECT_EQ(unit().image().at(kBand1Freq), 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->servedLink()->changesInFlight(); }, 10000));
    EXPECT_TRUE(waitForLabel("Device Connected"));
    EXPECT_EQ(gainBox()->text(), "2.0dB");
    EXPECT_EQ(app->mainWindow().editHistory().stack().undoText(), "Load show.Nddt");

    dialogs.answers = {true};
    app->mainWindow().findChild<QPushButton*>("DeviceSaveBtn")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.told.empty(); }, 10000));
    EXPECT_EQ(dialogs.told.back(), "Confirm|Save Successfully!");
    EXPECT_EQ(unit().storedImage().at(kBand1Gain), 130);

    app->mainWindow().findChild<QLineEdit*>("BLUENameEdit")->setText("Den");
    app->mainWindow().findChild<QPushButton*>("BLUENameBtn")->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return unit().bluetoothText() == "NA+Den"; }, 6000));

    ASSERT_TRUE(waitForLabel("Device Connected"));
    dialogs.answers = {true};
    app->mainWindow().findChild<QPushButton*>("DeviceResetBtn")->click();
    const int factoryGain = unit().factory().at(kBand1Gain);
    ASSERT_NE(factoryGain, 130);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return gainBox()->text() == QString::fromStdString(gainText(factoryGain)); }, 20000));
    EXPECT_EQ(unit().image().at(kBand1Gain), factoryGain);
    EXPECT_EQ(app->mainWindow().editHistory().stack().count(), 0);  // the unit was read again
}

// An edit made while the owner writes a preset waits at the owner and reaches the unit once the
// preset is written; the window never shows a value the unit was not given.
TEST_F(ServedWindow, AnEditWhileTheOwnerIsBusyReachesTheUnitAfterIt) {
    Client other;
    ASSERT_TRUE(other.open());
    DeviceImage file = unit().image();
    file.set(kBand1Freq, 100);
    std::optional<RpcIncoming> loaded;
    other.client.call("load", {{"path", writePreset(file).toStdString()}},
                      [&loaded](const RpcIncoming& a) { loaded = a; });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return app->servedLink()->linkState() == kPresent && !loaded; }, 5000));
    type("MusGainEdit1", "6");
    EXPECT_EQ(gainBox()->text(), "6.0dB");
    ASSERT_TRUE(QTest::qWaitFor([&] { return loaded.has_value(); }, 20000));
    EXPECT_TRUE(loaded->ok) << loaded->message;
    ASSERT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 150; }, 10000))
        << unit().image().at(kBand1Gain);
    EXPECT_EQ(unit().image().at(kBand1Freq), 100);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app->servedLink()->changesInFlight(); }, 5000));
    EXPECT_EQ(gainBox()->text(), "6.0dB");
    EXPECT_EQ(app->model().device.at(kBand1Gain), 150);
    EXPECT_TRUE(dialogs.told.empty());
}

TEST_F(ServedWindow, WhenTheOwnerGoesTheWindowSaysSoThenOwnsTheUnitItself) {
    owner.reset();
    ASSERT_TRUE(waitForLabel("Offline", 5000));
    EXPECT_TRUE(label->toolTip().contains("no longer serves")) << label->toolTip().toStdString();
    EXPECT_EQ(app->mainWindow().model().device.at(kBand1Gain),
              app->mainWindow().model().window.at(kBand1Gain));

    ASSERT_TRUE(QTest::qWaitFor([&] { return app->runtime() != nullptr; }, 3 * ui::kOwnerRetryMs));
    EXPECT_EQ(app->servedLink(), nullptr);
    EXPECT_NE(app->service(), nullptr);
    EXPECT_TRUE(waitForLabel("Device Connected"));
    type("MusGainEdit1", "6");
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return app->hub().simulated()->unit().image().at(kBand1Gain) == 150; }, 6000));
}

// Whatever the order of a hand-over (the next link made before the last one goes), the model's
// writes go to the link made last: owner to owner, owner to client, client to owner, client to
// client.
TEST(LinkHandOver, TheLinkMadeLastTakesTheWrites) {
    PrivateRuntimeDir runtimeDir;
    ParameterModel model;
    NullLinkHost host;
    devices::HubOptions options;
    options.simulate = true;
    struct Made {
        std::shared_ptr<void> holder;
        WriteSink* sink = nullptr;
    };
    const std::function<Made()> owner = [&] {
        auto runtime = std::make_shared<devices::LinkRuntime>(model, host, options);
        return Made{runtime, &runtime->link()};
    };
    const std::function<Made()> client = [&] {
        auto served = std::make_shared<ui::ServedLink>(model, host, "", std::nullopt);
        return Made{served, served.get()};
    };
    const std::pair<const char*, const std::function<Made()>*> kinds[] = {{"owner", &owner},
                                                                          {"client", &client}};
    for (const auto& [fromName, from] : kinds)
        for (const auto& [toName, to] : kinds) {
            SCOPED_TRACE(std::string(fromName) + " to " + toName);
            Made last = (*from)();
            Made next = (*to)();
            last = {};
            EXPECT_EQ(model.writeSink(), next.sink);
            next = {};
            EXPECT_EQ(model.writeSink(), nullptr);
        }
}

// The owner ends and another takes its place at once, as a service manager's restart does: the
// window joins the new one, and its edits and Save reach the new owner's unit.
TEST_F(ServedWindow, AnOwnerReplacedAtOnceIsJoinedAndTakesTheWindowsEdits) {
    owner.reset();
    owner = std::make_unique<HeadlessOwner>();
    ASSERT_TRUE(owner->start());
    ASSERT_TRUE(waitForLabel("Offline", 5000));
    ASSERT_TRUE(waitForLabel("Device Connected", 3 * ui::kOwnerRetryMs));
    ASSERT_NE(app->servedLink(), nullptr);
    EXPECT_EQ(app->runtime(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app->servedLink()->linkState() == kConnected; },
                                2000));  // its image is here

    type("MusGainEdit1", "6");
    EXPECT_TRUE(QTest::qWaitFor([&] { return unit().image().at(kBand1Gain) == 150; }, 6000))
        << unit().image().at(kBand1Gain);
    dialogs.answers = {true};
    app->mainWindow().findChild<QPushButton*>("DeviceSaveBtn")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !dialogs.told.empty(); }, 10000));
    EXPECT_EQ(dialogs.told.back(), "Confirm|Save Successfully!");
    EXPECT_EQ(unit().storedImage().at(kBand1Gain), 150);
}

}  // namespace
}  // namespace vt::test
