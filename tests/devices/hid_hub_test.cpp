// The USB-HID path with the simulated unit as a device: the device hub and the link on real
// timers, from arrival to "Device Connected", removal, devices that are listed but not used, and
// the polling stand-in for udev.
#include <gtest/gtest.h>

#include <QSignalSpy>
#include <algorithm>
#include <memory>

#include "devices/event_wait.h"
#include "devices/hotplug.h"
#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "link/link_constants.h"
#include "link/recording_host.h"

namespace vt::test {
using devices::runFor;
using devices::waitUntil;

namespace {

constexpr int kConnectWaitMs = 10000;  // one connect tick and the read, on a loaded machine
const std::string kSimulatedLine = "Simulated unitDevice VID=0483 PID=690E";

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class SimulatedHid : public ::testing::Test {
  protected:
    void start(std::vector<HidDeviceInfo> extra = {}) {
        devices::HubOptions options;
        options.simulate = true;
        options.extraDevices = [extra] { return extra; };
        model.bindControls();
        runtime = std::make_unique<devices::LinkRuntime>(model, host, options);
        QObject::connect(&hub(), &devices::DeviceHub::accessDenied, runtime.get(),
                         [this](const QString&, const QString& message) {
                             denied.push_back(message.toStdString());
                         });
        hub().start();
    }
    devices::DeviceHub& hub() { return runtime->hub(); }
    devices::SimulatedDevice& simulated() { return *hub().simulated(); }
    Link& link() { return runtime->link(); }
    std::string label() { return link().linkLabel().text.caption; }
    bool waitConnected() {
        return waitUntil([&] { return link().linkState() == kConnected; }, kConnectWaitMs);
    }
    bool selectedIsSimulated() {
        const DeviceListing& l = hub().listing();
        return l.unit >= 0 && l.lines[static_cast<std::size_t>(l.unit)] == kSimulatedLine;
    }

    ParameterModel model;
    RecordingHost host;
    std::vector<std::string> denied;
    std::unique_ptr<devices::LinkRuntime> runtime;  // goes first, before host and model
};

TEST_F(SimulatedHid, ArrivalConnectsReadsTheImageAndShowsDeviceConnected) {
    start();
    ASSERT_TRUE(waitConnected()) << "link label: " << label();
    EXPECT_EQ(label(), "Device Connected");
    EXPECT_TRUE(selectedIsSimulated());

    std::vector<std::string> captions;
    for (const auto& l : host.labels)
        if (captions.empty() || captions.back() != l.text.caption)
            captions.push_back(l.text.caption);
    const auto connecting = std::find(captions.begin(), captions.end(), "Connecting ...");
    ASSERT_NE(connecting, captions.end());
    EXPECT_EQ(captions.back(), "Device Connected");

    const DeviceImage& unitImage = simulated().unit().image();
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            ASSERT_EQ(model.device.at(m, s), unitImage.at(m, s)) << "module " << m << " slot " << s;
    EXPECT_TRUE(host.messages.empty());
    EXPECT_TRUE(host.memo.empty());
}

TEST_F(SimulatedHid, RemovalGoesOfflineWithTimersStoppedAndReplugConnectsAgain) {
    start();
    ASSERT_TRUE(waitConnected());

    simulated().unplug();
    EXPECT_EQ(link().linkState(), kNoDevice);
    EXPECT_EQ(label(), "Offline");
    EXPECT_FALSE(runtime->anyTimerActive());
    EXPECT_TRUE(contains(host.history, "Removal of " + kSimulatedLine));
    EXPECT_TRUE(hub().listing().lines.empty() || !selectedIsSimulated());
    const auto written = simulated().unit().answersSent();
    runFor(300);  // a dozen hold-timer periods: nothing may be sent to a removed unit
    EXPECT_EQ(link().linkState(), kNoDevice);
    EXPECT_FALSE(runtime->anyTimerActive());
    EXPECT_EQ(simulated().unit().answersSent(), written);

    simulated().plugIn();
    ASSERT_TRUE(waitConnected());
    EXPECT_EQ(label(), "Device Connected");
}

TEST_F(SimulatedHid, AnotherProductIdIsListedButNeverSelected) {
    const HidDeviceInfo other{"test:other-board", kUnitVendorId, 0x1234, "Other board", "X1"};
    start({other});
    ASSERT_TRUE(waitConnected());
    const std::string otherLine = "Other boardDevice VID=0483 PID=1234 (自定义HID描述符=X1)";
    EXPECT_TRUE(contains(hub().listing().lines, otherLine));
    EXPECT_TRUE(selectedIsSimulated()) << "the unit, though listed before the other board";

    simulated().unplug();
    EXPECT_TRUE(contains(hub().listing().lines, otherLine));
    EXPECT_EQ(hub().listing().unit, -1);
    EXPECT_EQ(link().linkState(), kNoDevice);
    EXPECT_EQ(label(), "Offline");
    EXPECT_TRUE(denied.empty()) << "the other board was never opened";
}

TEST_F(SimulatedHid, ReportsFromAListedDeviceThatIsNotSelectedAreIgnored) {
    // A second unit listed after the simulated one is the one selected; it cannot be opened.
    const HidDeviceInfo second{"test:missing-unit", kUnitVendorId, kUnitProductId, "Unit", ""};
    start({second});
    ASSERT_TRUE(waitUntil([&] { return !denied.empty(); }, kConnectWaitMs));
    EXPECT_NE(denied.front().find("udev"), std::string::npos) << denied.front();
    EXPECT_TRUE(contains(hub().listing().lines, kSimulatedLine));
    EXPECT_FALSE(selectedIsSimulated());
    EXPECT_EQ(link().linkState(), kNoDevice);

    // The simulated unit answers a start report of its own; the link must not hear it.
    FrameWriter writer;
    writer.setTransport(&simulated());
    writer.PCtoMCUAckSign(link::kSignStart);
    ASSERT_TRUE(waitUntil(
        [&] { return simulated().unit().answersSent() > 0 && !simulated().unit().hasAnswer(); },
        kConnectWaitMs));
    runFor(50);  // the answer's delivery event runs
    EXPECT_TRUE(host.volumes.empty());
    EXPECT_EQ(link().transferState().connectionAnswer, 0);
    EXPECT_EQ(link().linkState(), kNoDevice);

    hub().HidCtlDeviceChange();
    EXPECT_EQ(denied.size(), 1u) << "the access problem is told once per device";
}

TEST(HotplugPolling, AnUnchangedDeviceListRaisesNoChange) {
    devices::Hotplug hotplug(nullptr, 20);
    QSignalSpy changes(&hotplug, &devices::Hotplug::devicesChanged);
    hotplug.start();
    ASSERT_TRUE(waitUntil([&] { return changes.count() == 1; }, 5000)) << "start-up change";
    runFor(400);  // twenty polls of an unchanged list
    EXPECT_EQ(changes.count(), 1);
}

}  // namespace
}  // namespace vt::test
