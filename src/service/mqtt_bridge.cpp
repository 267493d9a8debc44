// The MQTT bridge: libmosquitto in the event loop, and the control service's client behind it.
#include "service/mqtt_bridge.h"

#include <mosquitto.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/level_meter.h"
#include "service/control_service.h"
#include "service/loopback_channel.h"

namespace vt::service {
namespace {

constexpr int kKeepAliveSeconds = 30;
constexpr int kMaxDelaySeconds = 60;
constexpr int kQos = 1;
constexpr const char* kOnline = "online";
constexpr const char* kOffline = "offline";

MqttBridge& bridgeOf(void* object) {
    return *static_cast<MqttBridge*>(object);
}

std::string failureText(int rc) {
    // The library's text for a system error is errno's.
    if (rc == MOSQ_ERR_ERRNO) return std::strerror(errno);
    return mosquitto_strerror(rc);
}

}  // namespace

MqttBridge::MqttBridge(ControlService& service, MqttBridgeOptions options, std::ostream& err,
                       QObject* parent)
    : QObject(parent), m_service(service), m_options(std::move(options)), m_err(err) {
    static const int initialised = mosquitto_lib_init();
    (void)initialised;
    m_where = m_options.broker.host + ":" + std::to_string(m_options.broker.port);
    if (m_where.front() != '[' && m_options.broker.host.find(':') != std::string::npos)
        m_where = "[" + m_options.broker.host + "]:" + std::to_string(m_options.broker.port);

    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttBridge::connectBroker);
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &MqttBridge::tick);
    m_tick.start();

    connect(&m_client, &ControlClient::opened, this, &MqttBridge::serviceOpened);
    connect(&m_client, &ControlClient::notification, this, &MqttBridge::serviceNotification);
    auto [serviceEnd, clientEnd] = LoopbackChannel::makePair();
    m_service.addClient(serviceEnd);
    m_client.attach(clientEnd);
    QTimer::singleShot(0, this, &MqttBridge::tick);
}

MqttBridge::~MqttBridge() {
    m_client.disconnect(this);
    if (m_mosq) {
        // Leaving is no lost connection: nothing to say, nothing to try again.
        mosquitto_disconnect_callback_set(m_mosq, nullptr);
        if (m_connected) {
            publish(m_topics.availability(), kOffline);
            mosquitto_disconnect(m_mosq);
        }
        unwatchSocket();
        mosquitto_destroy(m_mosq);
    }
}

// ---- the broker ----

void MqttBridge::startBroker(const MqttUnit& unit) {
    m_topics.discoveryPrefix = m_options.discoveryPrefix;
    m_topics.unit = mqtt::unitLevel(unit.id);
    m_device.name = "Vortella " + unit.id;
    m_device.model = unit.model.empty() ? "DSP unit" : unit.model;
    m_device.manufacturer = "Vortella";
    m_device.swVersion = m_options.version;

    // A client id of this run: a killed owner's session is the broker's to end, with its will.
    const std::string id = "vortella-" + m_topics.unit + "-" + std::to_string(getpid());
    m_mosq = mosquitto_new(id.c_str(), true, this);
    if (!m_mosq) {
        note("cannot make an MQTT client: " + std::string(std::strerror(errno)));
        return;
    }
    mosquitto_connect_callback_set(m_mosq,
                                   [](mosquitto*, void* o, int rc) { bridgeOf(o).onConnect(rc); });
    mosquitto_disconnect_callback_set(
        m_mosq, [](mosquitto*, void* o, int rc) { bridgeOf(o).onDisconnect(rc); });
    mosquitto_message_callback_set(m_mosq, [](mosquitto*, void* o, const mosquitto_message* m) {
        if (m) bridgeOf(o).onMessage(*m);
    });
    const std::string will = m_topics.availability();
    mosquitto_will_set(m_mosq, will.c_str(), static_cast<int>(std::strlen(kOffline)), kOffline,
                       kQos, true);
    const MqttAddress& b = m_options.broker;
    if (!b.user.empty())
        mosquitto_username_pw_set(m_mosq, b.user.c_str(),
                                  b.hasPassword ? b.password.c_str() : nullptr);
    connectBroker();
}

void MqttBridge::connectBroker() {
    if (!m_mosq || m_connected) return;
    unwatchSocket();
    // The name is looked up here; the connection itself is made without waiting for it.
    const int rc = mosquitto_connect_async(m_mosq, m_options.broker.host.c_str(),
                                           m_options.broker.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        if (!m_failureShown)
            note("MQTT broker at " + m_where + ": " + failureText(rc) +
                 "; trying again (every 1 s doubling up to 60 s)");
        m_failureShown = true;
        retry();
        return;
    }
    watchSocket();
}

void MqttBridge::retry() {
    unwatchSocket();
    if (m_retry.isActive()) return;
    m_retry.start(m_delaySeconds * 1000);
    m_delaySeconds = std::min(m_delaySeconds * 2, kMaxDelaySeconds);
}

void MqttBridge::watchSocket() {
    const int fd = mosquitto_socket(m_mosq);
    if (fd < 0) return;
    m_read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_read, &QSocketNotifier::activated, this,
            [this] { afterLoop(mosquitto_loop_read(m_mosq, 1)); });
    m_write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    connect(m_write, &QSocketNotifier::activated, this,
            [this] { afterLoop(mosquitto_loop_write(m_mosq, 1)); });
    updateWrite();
}

void MqttBridge::unwatchSocket() {
    // Called from a notifier's own signal too: the notifiers go once the event loop is back.
    for (QSocketNotifier** n : {&m_read, &m_write}) {
        if (!*n) continue;
        (*n)->setEnabled(false);
        (*n)->deleteLater();
        *n = nullptr;
    }
}

void MqttBridge::afterLoop(int) {
    // A failure has been reported to onDisconnect by the library already.
    updateWrite();
}

void MqttBridge::updateWrite() {
    if (m_write && m_mosq) m_write->setEnabled(mosquitto_want_write(m_mosq));
}

void MqttBridge::onConnect(int rc) {
    if (rc != 0) {
        if (!m_failureShown)
            note("MQTT broker at " + m_where +
                 " refused the connection: " + mosquitto_connack_string(rc) + "; trying again");
        m_failureShown = true;
        return;  // the broker closes the connection; onDisconnect tries again
    }
    m_connected = true;
    m_failureShown = false;
    m_delaySeconds = 1;
    note("MQTT connected to " + m_where + " as " + m_topics.base());
    mosquitto_subscribe(m_mosq, nullptr, m_topics.commandFilter().c_str(), kQos);
    for (const mqtt::Entity& e : mqtt::entities())
        publish(m_topics.discovery(e), discoveryConfig(e, m_topics, m_device).dump());
    publish(m_topics.availability(), kOnline);
    publishAll();
}

void MqttBridge::onDisconnect(int rc) {
    const bool was = m_connected;
    m_connected = false;
    unwatchSocket();  // the library has closed the socket
    if (!m_mosq) return;
    if (was) {
        note("MQTT connection to " + m_where + " lost (" + failureText(rc) + "); reconnecting");
        m_failureShown = true;
    } else if (!m_failureShown) {
        note("MQTT broker at " + m_where + ": " + failureText(rc) +
             "; trying again (every 1 s doubling up to 60 s)");
        m_failureShown = true;
    }
    // Deferred: the library is inside its own call.
    QTimer::singleShot(0, this, &MqttBridge::retry);
}

void MqttBridge::onMessage(const mosquitto_message& message) {
    const std::string_view topic = message.topic ? message.topic : "";
    const mqtt::Entity* entity = m_topics.commandEntity(topic);
    if (!entity) {
        note("MQTT: no command at " + std::string(topic) + "; ignored");
        return;
    }
    if (message.retain) {
        // The broker's kept copy, handed to every new connection: a command is carried out as it
        // is published (a live one comes without the flag), never from the copy.
        note("MQTT: retained command on " + std::string(topic) + " ignored");
        return;
    }
    const std::string_view payload(
        static_cast<const char*>(message.payload),
        message.payload ? static_cast<std::size_t>(message.payloadlen) : 0);
    const mqtt::Command c = mqtt::parseCommand(*entity, payload);
    if (!c.value) {
        note("MQTT: " + c.problem);
        return;
    }
    command(*entity, *c.value);
}

void MqttBridge::publish(const std::string& topic, const std::string& payload) {
    if (!m_mosq || !m_connected) return;
    mosquitto_publish(m_mosq, nullptr, topic.c_str(), static_cast<int>(payload.size()),
                      payload.data(), kQos, true);
    updateWrite();
}

void MqttBridge::tick() {
    if (!m_mosq && m_options.unit) {
        const MqttUnit unit = m_options.unit();
        if (!unit.id.empty()) startBroker(unit);
    }
    if (m_mosq && m_read) afterLoop(mosquitto_loop_misc(m_mosq));
    if (m_refreshWanted && m_refreshing == 0 && m_linkUp.value_or(false)) refresh();
    for (int meter = 0; meter < 2; ++meter) {
        Level& level = m_levels[static_cast<std::size_t>(meter)];
        if (!level.latest || level.latest == level.published || !m_connected) continue;
        level.published = level.latest;
        publish(m_topics.state(meter == 0 ? mqtt::kLeftLevelKey : mqtt::kRightLevelKey),
                mqtt::levelText(*level.latest));
    }
}

// ---- the owner ----

void MqttBridge::serviceOpened() {
    m_client.call("subscribe", Json::object(), [this](const RpcIncoming& answer) {
        if (answer.ok && answer.result.contains("link")) linkState(answer.result["link"]);
    });
}

void MqttBridge::serviceNotification(const std::string& method, const Json& params) {
    if (method == "link") {
        linkState(params);
    } else if (method == "changed") {
        const int address = params.value("address", -1);
        const int value = params.value("value", -1);
        if (address >= 0 && value >= 0) {
            ++m_changes[address];
            valueKnown(address, value);
        }
    }
}

void MqttBridge::linkState(const Json& link) {
    const bool up = mqtt::linkSensorOn(link.value("state", std::string()),
                                       link.value("text", std::string()), m_linkUp.value_or(false));
    const bool changed = m_linkUp != up;
    m_linkUp = up;
    if (changed) publish(m_topics.state(mqtt::kLinkKey), up ? "ON" : "OFF");
    if (up && changed) refresh();
}

// Asks the owner for every parameter shown; a value the owner has not read from the unit yet
// is asked again at the next tick.
void MqttBridge::refresh() {
    m_refreshWanted = false;
    for (const mqtt::Entity& e : mqtt::entities()) {
        if (e.address < 0 || e.component == mqtt::Component::Button) continue;
        ++m_refreshing;
        // The owner answers with the value it holds when it reads the request, but the answer
        // waits behind the answers of earlier requests (a store's, seconds later): a change
        // told meanwhile is newer than it.
        const int address = e.address;
        const unsigned changes = m_changes[address];
        m_client.call("get", {{"address", address}},
                      [this, address, changes](const RpcIncoming& answer) {
                          --m_refreshing;
                          if (!answer.ok) {
                              m_refreshWanted = true;
                              return;
                          }
                          if (m_changes[address] != changes) return;
                          valueKnown(address, answer.result.value("value", -1));
                      });
    }
}

void MqttBridge::valueKnown(int address, int value) {
    for (const mqtt::Entity& e : mqtt::entities()) {
        if (e.address != address || address < 0) continue;
        m_values[address] = value;
        publishValue(e);
    }
}

void MqttBridge::publishValue(const mqtt::Entity& e) {
    const auto it = m_values.find(e.address);
    if (it == m_values.end()) return;
    if (const auto text = mqtt::stateText(e, it->second)) publish(m_topics.state(e.key), *text);
}

void MqttBridge::publishAll() {
    for (const mqtt::Entity& e : mqtt::entities()) publishValue(e);
    if (m_linkUp) publish(m_topics.state(mqtt::kLinkKey), *m_linkUp ? "ON" : "OFF");
    for (int meter = 0; meter < 2; ++meter) {
        const Level& level = m_levels[static_cast<std::size_t>(meter)];
        if (level.published)
            publish(m_topics.state(meter == 0 ? mqtt::kLeftLevelKey : mqtt::kRightLevelKey),
                    mqtt::levelText(*level.published));
    }
}

void MqttBridge::command(const mqtt::Entity& entity, int value) {
    const std::string name = mqtt::entityName(entity);
    if (entity.component == mqtt::Component::Button) {
        const char* method = entity.key == mqtt::kStoreKey ? "store" : "restore";
        m_client.call(method, Json::object(), [this, name](const RpcIncoming& answer) {
            if (!answer.ok) note("MQTT: " + name + ": " + answer.message);
        });
        return;
    }
    const mqtt::Entity* e = &entity;
    m_client.call("set", {{"address", entity.address}, {"value", value}},
                  [this, e, name](const RpcIncoming& answer) {
                      // Taken: the owner tells the unit's new value right after this answer
                      // (the value asked for may be gone already: a later write to the same
                      // parameter that the link merged into it is answered along with it).
                      if (answer.ok) return;
                      // Refused or unanswered: the state the unit holds again.
                      note("MQTT: " + name + ": " + answer.message);
                      publishValue(*e);
                  });
}

void MqttBridge::setLevel(int meter, int value) {
    if (meter < 0 || meter > 1) return;
    m_levels[static_cast<std::size_t>(meter)].latest = value;
}

void MqttBridge::note(const std::string& line) {
    m_err << "serve: " << line << "\n" << std::flush;
}

}  // namespace vt::service
