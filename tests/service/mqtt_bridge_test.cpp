// The MQTT bridge in the owner's process, over the simulated unit and a real broker started by
// the test: a command is a write through the owner, and a write the owner refuses (the unit is
// away) publishes the old state again, so that a dashboard falls back to what the unit holds;
// the link sensor follows the unit, not the owner's transfers.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTemporaryDir>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "link/link_texts.h"
#include "model/scales.h"
#include "service/control_service.h"
#include "service/mqtt_bridge.h"

namespace vt::service {
namespace {

bool waitFor(const std::function<bool()>& condition, int ms = 10000) {
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A broker's client of the test's own: what it received on the topics it subscribed to.
struct Watcher {
    explicit Watcher(int port) {
        mosq = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(mosq, [](mosquitto*, void* o, const mosquitto_message* m) {
            static_cast<Watcher*>(o)->received.push_back(std::string(
                static_cast<const char*>(m->payload), static_cast<std::size_t>(m->payloadlen)));
        });
        connected = mosquitto_connect(mosq, "127.0.0.1", port, 30) == MOSQ_ERR_SUCCESS;
    }
    ~Watcher() { mosquitto_destroy(mosq); }
    void pump() { mosquitto_loop(mosq, 0, 10); }
    // Waits for the `count`th message.
    bool await(std::size_t count) {
        return waitFor([&] {
            pump();
            return received.size() >= count;
        });
    }
    mosquitto* mosq;
    bool connected = false;
    std::vector<std::string> received;
};

// A broker of the test's own on a free loopback port, a client of it that watches, and the
// simulated unit's owner with its bridge to the broker.
class MqttBridgeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const QString broker = QStandardPaths::findExecutable(
            "mosquitto", {"/usr/sbin", "/usr/local/sbin", "/usr/bin"});
        if (broker.isEmpty())
            GTEST_SKIP() << "mosquitto is not installed (scripts/setup installs it)";
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        const int port = probe.serverPort();
        probe.close();
        const QString config = dir.filePath("broker.conf");
        {
            QFile f(config);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QString("listener %1 127.0.0.1\nallow_anonymous true\n").arg(port).toUtf8());
        }
        mosquittoProcess.start(broker, {"-c", config});
        waitFor([&] {
            watcher = std::make_unique<Watcher>(port);
            return watcher->connected;
        });
        if (!watcher->connected) GTEST_SKIP() << "mosquitto did not start on port " << port;

        model.bindControls();
        devices::HubOptions hub;
        hub.simulate = true;
        runtime = std::make_unique<devices::LinkRuntime>(model, host, hub);
        ServiceOptions serviceOptions;
        serviceOptions.requestTimeout = std::chrono::milliseconds(2000);
        service = std::make_unique<ControlService>(model, *runtime, serviceOptions);
        MqttBridgeOptions options;
        options.broker.host = "127.0.0.1";
        options.broker.port = port;
        options.unit = [] { return MqttUnit{"simulated", {}}; };
        bridge = std::make_unique<MqttBridge>(*service, options, err);
        runtime->hub().start();
        ASSERT_TRUE(waitFor([&] { return runtime->link().linkState() == kConnected; }));
    }
    void TearDown() override {
        bridge.reset();
        service.reset();
        runtime.reset();
        mosquittoProcess.terminate();
        mosquittoProcess.waitForFinished(5000);
    }

    QTemporaryDir dir;
    QProcess mosquittoProcess;
    std::unique_ptr<Watcher> watcher;
    ParameterModel model;
    NullLinkHost host;
    std::unique_ptr<devices::LinkRuntime> runtime;
    std::unique_ptr<ControlService> service;
    std::ostringstream err;
    std::unique_ptr<MqttBridge> bridge;
};

TEST_F(MqttBridgeTest, ACommandIsAWriteAndARefusedOneRepublishesTheOldState) {
    const std::string state = "vortella/simulated/state/master_volume";
    const std::string command = "vortella/simulated/set/master_volume";
    mosquitto_subscribe(watcher->mosq, nullptr, state.c_str(), 1);
    ASSERT_TRUE(watcher->await(1)) << err.str();
    const std::string shown = watcher->received.back();
    EXPECT_EQ(shown, volumeText(model.device.at(1, 1)));

    // Taken: the unit holds it, then the state says so.
    mosquitto_publish(watcher->mosq, nullptr, command.c_str(), 4, "12.3", 1, false);
    ASSERT_TRUE(waitFor([&] {
        watcher->pump();
        return watcher->received.back() == "12.3";
    })) << err.str();
    EXPECT_EQ(model.device.at(1, 1), 123);

    // Refused: the unit is away; the state goes back to what the unit holds.
    runtime->hub().simulated()->unplug();
    ASSERT_TRUE(
        waitFor([&] { return runtime->link().linkLabel().colour == texts::kColourOffline; }));
    waitFor([&] { return watcher->pump(), false; }, 500);  // what was on its way
    const std::size_t before = watcher->received.size();
    mosquitto_publish(watcher->mosq, nullptr, command.c_str(), 2, "50", 1, false);
    ASSERT_TRUE(watcher->await(before + 1)) << err.str();
    EXPECT_EQ(watcher->received.back(), "12.3");
    EXPECT_EQ(model.device.at(1, 1), 123);
    EXPECT_NE(err.str().find("MQTT: Master volume: "), std::string::npos) << err.str();
}

// Commands that come while a store runs wait for it, then go out together, and the link merges
// a burst to one parameter: the unit takes 70.0 without ever holding 60.0. Every state published
// is a value the unit held, the last one the value it holds.
TEST_F(MqttBridgeTest, StatesAfterAStoreAreValuesTheUnitHeld) {
    const std::string state = "vortella/simulated/state/master_volume";
    mosquitto_subscribe(watcher->mosq, nullptr, state.c_str(), 1);
    ASSERT_TRUE(watcher->await(1)) << err.str();
    auto& unit = runtime->hub().simulated()->unit();
    std::set<std::string> held = {volumeText(unit.image().at(1, 1))};
    unit.setKeepLog(true);
    unit.setLatency(std::chrono::milliseconds(40));

    const auto send = [&](const char* key, const char* payload) {
        const std::string topic = std::string("vortella/simulated/set/") + key;
        mosquitto_publish(watcher->mosq, nullptr, topic.c_str(),
                          static_cast<int>(std::strlen(payload)), payload, 1, false);
    };
    send("store", "PRESS");
    waitFor([&] { return watcher->pump(), false; }, 100);
    send("left_delay", "1");
    send("right_delay", "1");
    send("master_volume", "60");
    send("master_volume", "70");
    ASSERT_TRUE(waitFor([&] {
        watcher->pump();
        return unit.image().at(1, 1) == 700 && watcher->received.back() == "70.0";
    })) << err.str();
    waitFor([&] { return watcher->pump(), false; }, 500);  // what was on its way
    EXPECT_EQ(watcher->received.back(), "70.0");

    for (const auto& h : unit.heard())
        if (h.address == 0x0101) held.insert(volumeText(h.value));
    for (const std::string& shown : watcher->received)
        EXPECT_EQ(held.count(shown), 1u) << shown << " published, never held by the unit";
}

// The link sensor stays ON while the owner writes a whole image (a preset) to the unit, and goes
// OFF when the unit stops answering.
TEST_F(MqttBridgeTest, TheLinkSensorStaysOnThroughATransferAndGoesOffWhenTheUnitIsLost) {
    mosquitto_subscribe(watcher->mosq, nullptr, "vortella/simulated/state/link", 1);
    ASSERT_TRUE(watcher->await(1)) << err.str();
    // A slow start (a sanitizer build) may still be connecting when the first state comes.
    ASSERT_TRUE(waitFor([&] {
        watcher->pump();
        return watcher->received.back() == "ON";
    })) << err.str();
    watcher->received = {"ON"};

    bool busy = false;
    runtime->link().DisCheckWindow(6);  // the window's Load: the image written to the unit
    ASSERT_TRUE(waitFor([&] {
        watcher->pump();
        busy = busy || runtime->link().linkState() != kConnected;
        return busy && runtime->link().linkState() == kConnected;
    }));
    waitFor([&] { return watcher->pump(), false; }, 500);  // what was on its way
    EXPECT_EQ(watcher->received, std::vector<std::string>{"ON"});

    runtime->hub().simulated()->unit().faults().silentFrom = std::chrono::milliseconds(0);
    EXPECT_TRUE(waitFor(
        [&] {
            watcher->pump();
            return watcher->received.back() == "OFF";
        },
        15000))
        << err.str();
}

}  // namespace
}  // namespace vt::service
