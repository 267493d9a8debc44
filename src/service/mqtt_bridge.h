// The unit on an MQTT broker for home-automation systems: discovery configs, states and
// commands. The bridge is one more client of the owner's control service: a command is one
// ordinary `set` (or `store`, `restore`), its state topic follows the owner's answer, and the
// states follow the owner's notifications. libmosquitto runs in the owner's event loop: its
// socket is watched by socket notifiers and its keep-alive by a timer, so that no second thread
// touches the bridge and nothing waits for the broker.
#pragma once

#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "service/control_client.h"
#include "service/mqtt_address.h"
#include "service/mqtt_entities.h"

class QSocketNotifier;
struct mosquitto;
struct mosquitto_message;

namespace vt::service {

class ControlService;

struct MqttUnit {
    std::string id;     // USB serial, node path or "simulated"; empty while no unit is known
    std::string model;  // as the unit names itself, if it does
};

struct MqttBridgeOptions {
    MqttAddress broker;
    std::string discoveryPrefix = "homeassistant";
    std::string version;
    // Asked once a second until it names a unit: the topics are the unit's.
    std::function<MqttUnit()> unit;
};

class MqttBridge : public QObject {
    Q_OBJECT
  public:
    MqttBridge(ControlService& service, MqttBridgeOptions options, std::ostream& err,
               QObject* parent = nullptr);
    // Says "offline" on the availability topic and leaves the broker.
    ~MqttBridge() override;

    // A level meter's new value (0 left, 1 right); published at most once a second, on change.
    void setLevel(int meter, int value);

    // Called by libmosquitto's callbacks.
    void onConnect(int rc);
    void onDisconnect(int rc);
    void onMessage(const mosquitto_message& message);

  private:
    void tick();
    void startBroker(const MqttUnit& unit);
    void connectBroker();
    void retry();
    void watchSocket();
    void unwatchSocket();
    void afterLoop(int rc);
    void updateWrite();
    void publish(const std::string& topic, const std::string& payload);

    void serviceOpened();
    void serviceNotification(const std::string& method, const Json& params);
    void linkState(const Json& link);
    void refresh();
    void valueKnown(int address, int value);
    void publishValue(const mqtt::Entity& entity);
    void publishAll();
    void command(const mqtt::Entity& entity, int value);
    void note(const std::string& line);

    ControlService& m_service;
    MqttBridgeOptions m_options;
    std::ostream& m_err;
    ControlClient m_client;
    QTimer m_tick;
    QTimer m_retry;

    mosquitto* m_mosq = nullptr;
    mqtt::Topics m_topics;
    mqtt::DeviceInfo m_device;
    std::string m_where;  // "host:port" for the error stream
    QSocketNotifier* m_read = nullptr;
    QSocketNotifier* m_write = nullptr;
    bool m_connected = false;
    bool m_failureShown = false;  // a failed attempt was reported since the last connection
    int m_delaySeconds = 1;

    std::map<int, int> m_values;        // parameter values as the owner last told them
    std::map<int, unsigned> m_changes;  // changes told of each parameter, to order answers
    std::optional<bool> m_linkUp;
    bool m_refreshWanted = false;
    int m_refreshing = 0;  // `get` requests not answered yet
    struct Level {
        std::optional<int> latest;
        std::optional<int> published;
    };
    std::array<Level, 2> m_levels;
};

}  // namespace vt::service
