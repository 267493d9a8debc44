// The MQTT bridge's pure parts: the broker address and the prefix of `serve --mqtt`, the topics,
// the discovery configs, and command payloads read against each entity's range and steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>

#include "service/mqtt_address.h"
#include "service/mqtt_entities.h"

namespace vt::service {
namespace {

using namespace mqtt;

TEST(MqttAddress, ReadsTheWrittenFormsAndRefusesTheOthers) {
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused
        int port;
        const char* user;
        const char* password;  // nullptr: none given
        const char* error;     // a part of the message when refused
    };
    const Case cases[] = {
        {"broker", "broker", 1883, "", nullptr, ""},
        {"mqtt://broker.lan:1884", "broker.lan", 1884, "", nullptr, ""},
        {"ha@10.0.0.2", "10.0.0.2", 1883, "ha", nullptr, ""},
        {"ha:@broker", "broker", 1883, "ha", "", ""},
        {"mqtt://ha:s3:cr@t@broker:8883", "broker", 8883, "ha", "s3:cr@t", ""},
        {"[::1]:1883", "::1", 1883, "", nullptr, ""},
        {"u:p@[fe80::1]", "fe80::1", 1883, "u", "p", ""},
        {"", nullptr, 0, "", nullptr, "names no host"},
        {"mqtt://", nullptr, 0, "", nullptr, "names no host"},
        {"mqtts://broker", nullptr, 0, "", nullptr, "another scheme"},
        {"broker:", nullptr, 0, "", nullptr, "no port"},
        {"broker:0", nullptr, 0, "", nullptr, "1 to 65535"},
        {"broker:65536", nullptr, 0, "", nullptr, "1 to 65535"},
        {"broker:1883x", nullptr, 0, "", nullptr, "1 to 65535"},
        {"broker:99999999999999999999", nullptr, 0, "", nullptr, "1 to 65535"},
        {":secret@broker", nullptr, 0, "", nullptr, "no user name"},
        {"[::1", nullptr, 0, "", nullptr, "no ']'"},
        {"[::1]x", nullptr, 0, "", nullptr, "text after ']'"},
        {"broker/topic", nullptr, 0, "", nullptr, "no host name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const MqttAddressParse p = parseMqttAddress(c.text);
        if (!c.host) {
            EXPECT_NE(p.error.find(c.error), std::string::npos) << p.error;
            EXPECT_NE(p.error.find("[mqtt://][USER[:PASSWORD]@]HOST[:PORT]"), std::string::npos);
            continue;
        }
        ASSERT_EQ(p.error, "");
        EXPECT_EQ(p.address.host, c.host);
        EXPECT_EQ(p.address.port, c.port);
        EXPECT_EQ(p.address.user, c.user);
        EXPECT_EQ(p.address.hasPassword, c.password != nullptr);
        if (c.password) {
            EXPECT_EQ(p.address.password, c.password);
        }
    }
}

TEST(MqttAddress, PrefixesAndUnitLevels) {
    const std::pair<const char*, bool> prefixes[] = {
        {"homeassistant", true}, {"site/ha", true}, {"", false},
        {"/ha", false},          {"ha/", false},    {"a//b", false},
        {"ha/+", false},         {"ha/#", false},   {"ha\nx", false},
    };
    for (const auto& [prefix, good] : prefixes)
        EXPECT_EQ(prefixProblem(prefix).empty(), good) << prefix;

    const std::pair<const char*, const char*> units[] = {
        {"simulated", "simulated"},
        {"/dev/hidraw3", "dev_hidraw3"},
        {"0123-AB_c", "0123-AB_c"},
        {"a b+c#d/e", "a_b_c_d_e"},
        {"", "unit"},
        {"///", "unit"},
    };
    for (const auto& [raw, level] : units) EXPECT_EQ(unitLevel(raw), level) << raw;
}

Topics simulatedTopics() {
    Topics t;
    t.unit = "simulated";
    return t;
}

TEST(MqttEntities, TopicsAndCommandTopics) {
    const Topics t = simulatedTopics();
    const Entity& volume = *findEntity("master_volume");
    EXPECT_EQ(t.availability(), "vortella/simulated/availability");
    EXPECT_EQ(t.state(volume.key), "vortella/simulated/state/master_volume");
    EXPECT_EQ(t.command(volume.key), "vortella/simulated/set/master_volume");
    EXPECT_EQ(t.discovery(volume), "homeassistant/number/vortella_simulated/master_volume/config");

    EXPECT_EQ(t.commandEntity("vortella/simulated/set/master_volume"), &volume);
    EXPECT_EQ(t.commandEntity("vortella/simulated/set/store"), findEntity("store"));
    // Sensors take no commands; other units' and deeper topics are not ours.
    for (const char* topic :
         {"vortella/simulated/set/link", "vortella/simulated/set/left_level",
          "vortella/other/set/master_volume", "vortella/simulated/set/master_volume/x",
          "vortella/simulated/state/master_volume", "vortella/simulated/set/", ""})
        EXPECT_EQ(t.commandEntity(topic), nullptr) << topic;
}

// The keys that the discovery schema of each component names today (of those a config of ours
// might carry); a key beyond them is refused or, like `object_id`, no longer honoured.
bool schemaNames(Component component, const std::string& key) {
    static const std::set<std::string> common = {"name",
                                                 "unique_id",
                                                 "default_entity_id",
                                                 "availability_topic",
                                                 "payload_available",
                                                 "payload_not_available",
                                                 "device",
                                                 "icon",
                                                 "entity_category",
                                                 "enabled_by_default",
                                                 "qos"};
    static const std::map<Component, std::set<std::string>> own = {
        {Component::Select, {"state_topic", "command_topic", "options", "optimistic", "retain"}},
        {Component::Number,
         {"state_topic", "command_topic", "min", "max", "step", "mode", "unit_of_measurement",
          "device_class", "optimistic", "retain"}},
        {Component::Switch,
         {"state_topic", "command_topic", "payload_on", "payload_off", "state_on", "state_off",
          "device_class", "optimistic", "retain"}},
        {Component::BinarySensor,
         {"state_topic", "payload_on", "payload_off", "device_class", "expire_after", "off_delay"}},
        {Component::Sensor,
         {"state_topic", "state_class", "unit_of_measurement", "device_class",
          "suggested_display_precision", "expire_after"}},
        {Component::Button, {"command_topic", "payload_press", "device_class", "retain"}},
    };
    return common.count(key) != 0 || own.at(component).count(key) != 0;
}

TEST(MqttEntities, DiscoveryConfigsCarryTheFieldsOfTheirComponent) {
    const Topics t = simulatedTopics();
    const DeviceInfo device{"Vortella simulated", "DSP unit", "Vortella", "0.1.0"};
    const std::set<std::string> deviceKeys = {"identifiers",    "connections", "name",
                                              "model",          "model_id",    "manufacturer",
                                              "sw_version",     "hw_version",  "serial_number",
                                              "suggested_area", "via_device",  "configuration_url"};
    std::set<std::string> ids, names;
    for (const Entity& e : entities()) {
        SCOPED_TRACE(std::string(e.key));
        const Json c = discoveryConfig(e, t, device);
        for (const auto& [key, value] : c.items())
            EXPECT_TRUE(schemaNames(e.component, key)) << key;
        for (const auto& [key, value] : c.at("device").items())
            EXPECT_EQ(deviceKeys.count(key), 1u) << key;
        // The entity id a dashboard names: the component's domain and the unique id.
        const std::string domain = t.discovery(e).substr(std::string("homeassistant/").size());
        EXPECT_EQ(c.at("default_entity_id"),
                  domain.substr(0, domain.find('/')) + "." + c.at("unique_id").get<std::string>());
        ids.insert(c.at("unique_id").get<std::string>());
        names.insert(c.at("name").get<std::string>());
        EXPECT_EQ(c.at("availability_topic"), "vortella/simulated/availability");
        EXPECT_EQ(c.at("device").at("identifiers"), Json::array({"vortella_simulated"}));
        EXPECT_EQ(c.at("device").at("sw_version"), "0.1.0");
        EXPECT_EQ(c.at("device").at("manufacturer"), "Vortella");
        const bool button = e.component == Component::Button;
        const bool sensor =
            e.component == Component::Sensor || e.component == Component::BinarySensor;
        EXPECT_EQ(c.contains("state_topic"), !button);
        EXPECT_EQ(c.contains("command_topic"), !sensor);
        if (e.component == Component::Select) {
            EXPECT_EQ(c.at("options").size(), static_cast<std::size_t>(e.deviceMax) + 1);
        }
    }
    EXPECT_EQ(ids.size(), entities().size());
    EXPECT_EQ(names.size(), entities().size());

    // Units and steps as the window shows them, ranges over every value a slot holds (0 to
    // 65535); names from the slot names.
    const Json volume = discoveryConfig(*findEntity("master_volume"), t, device);
    EXPECT_EQ(volume.at("name"), "Master volume");
    EXPECT_EQ(volume.at("unique_id"), "vortella_simulated_master_volume");
    EXPECT_EQ(volume.at("default_entity_id"), "number.vortella_simulated_master_volume");
    EXPECT_DOUBLE_EQ(volume.at("min").get<double>(), 0);
    EXPECT_DOUBLE_EQ(volume.at("max").get<double>(), 6553.5);
    EXPECT_DOUBLE_EQ(volume.at("step").get<double>(), 0.1);
    EXPECT_EQ(volume.at("mode"), "box");
    const Json gain = discoveryConfig(*findEntity("aux_gain"), t, device);
    EXPECT_EQ(gain.at("name"), "Auxiliary output gain");
    EXPECT_DOUBLE_EQ(gain.at("min").get<double>(), -9);
    EXPECT_DOUBLE_EQ(gain.at("max").get<double>(), 196596);
    EXPECT_DOUBLE_EQ(gain.at("step").get<double>(), 3);
    EXPECT_EQ(gain.at("unit_of_measurement"), "dB");
    const Json delay = discoveryConfig(*findEntity("left_delay"), t, device);
    EXPECT_DOUBLE_EQ(delay.at("max").get<double>(), 6553.5);
    EXPECT_EQ(delay.at("unit_of_measurement"), "ms");
    EXPECT_EQ(discoveryConfig(*findEntity("link"), t, device).at("device_class"), "connectivity");
    EXPECT_EQ(discoveryConfig(*findEntity("input_source"), t, device).at("options"),
              Json::array({"RCA", "Bluetooth", "Auto"}));
    EXPECT_EQ(discoveryConfig(*findEntity("store"), t, device).at("payload_press"), "PRESS");
}

TEST(MqttEntities, CommandPayloadsAgainstRangesAndSteps) {
    struct Case {
        const char* key;
        std::string payload;
        int value;  // -1: ignored
        const char* why = "";
    };
    const Case cases[] = {
        {"master_volume", "50", 500},
        {"master_volume", "100.0", 1000},
        {"master_volume", " 42.5\n", 425},
        {"master_volume", "0.05", 0},  // between steps: the nearer, halves to even
        {"master_volume", "0.15", 2},
        {"master_volume", "100.1", -1, "out of range (0.0 to 100.0)"},
        {"master_volume", "-0.1", -1, "out of range"},
        {"master_volume", "abc", -1, "'abc' is not a number"},
        {"master_volume", "", -1, "is not a number"},
        {"master_volume", "1e2", -1, "is not a number"},
        {"master_volume", "nan", -1, "is not a number"},
        {"master_volume", "inf", -1, "is not a number"},
        {"master_volume", "1,5", -1, "is not a number"},
        {"master_volume", std::string("5\0", 2), -1, "is not a number"},
        {"master_volume", std::string(65, '1'), -1, "payload of 65 bytes"},
        {"left_delay", "15", 150},
        {"right_delay", "0.1", 1},
        {"left_delay", "15.1", -1, "out of range (0.0 to 15.0)"},
        {"aux_gain", "-9", 0},
        {"aux_gain", "9", 6},
        {"aux_gain", "4", 4},
        {"aux_gain", "12", -1, "out of range (-9 to 9)"},
        {"eq_pass", "ON", 1},
        {"compressor", "OFF", 0},
        {"sub_left_phase", "on", -1, "'on' is not ON or OFF"},
        {"input_source", "Bluetooth", 1},
        {"input_source", "Auto", 2},
        {"input_source", "2", -1, "is no option"},
        {"sub_mode", "Stereo", 1},
        {"sub_mode", "Mono ", 0},
        {"store", "PRESS", 0},
        {"restore", "press", -1, "is not PRESS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.key) + " '" + c.payload + "'");
        const Command command = parseCommand(*findEntity(c.key), c.payload);
        if (c.value < 0) {
            EXPECT_FALSE(command.value);
            EXPECT_NE(command.problem.find(c.why), std::string::npos) << command.problem;
            EXPECT_EQ(command.problem.find('\n'), std::string::npos) << "one line";
        } else {
            EXPECT_EQ(command.value, c.value) << command.problem;
        }
    }
}

// Every device value a state shows is read back from that state as the same value.
TEST(MqttEntities, EveryStateReadsBackAsItsValue) {
    for (const Entity& e : entities()) {
        if (e.address < 0) continue;
        for (int v = 0; v <= e.deviceMax; ++v) {
            const auto text = stateText(e, v);
            ASSERT_TRUE(text) << e.key << " " << v;
            // The volume pane shows 998 and 999 as 100.0, the top.
            const int expected = (e.key == "master_volume" && v >= 998) ? 1000 : v;
            EXPECT_EQ(parseCommand(e, *text).value, expected) << e.key << " '" << *text << "'";
        }
    }
    EXPECT_EQ(stateText(*findEntity("master_volume"), 505), "50.5");
    EXPECT_EQ(stateText(*findEntity("aux_gain"), 5), "6");
    EXPECT_EQ(stateText(*findEntity("eq_pass"), 1), "ON");
    EXPECT_EQ(levelText(48), "0");
    EXPECT_EQ(levelText(30), "-18");
}

// Whatever a slot holds, its state is one that a dashboard takes: a number within the range
// that the discovery config gives, the unit's own value; for a select, one of its options or
// "None", which stands for unknown (never nothing, which leaves the last state standing).
TEST(MqttEntities, EveryValueTheUnitHoldsHasAStateADashboardTakes) {
    const Topics t = simulatedTopics();
    const DeviceInfo device{"Vortella simulated", "DSP unit", "Vortella", "0.1.0"};
    for (const Entity& e : entities()) {
        if (e.component != Component::Number && e.component != Component::Select) continue;
        const Json c = discoveryConfig(e, t, device);
        for (int v = 0; v <= 0xFFFF; ++v) {
            const auto text = stateText(e, v);
            ASSERT_TRUE(text) << e.key << " " << v;
            if (e.component == Component::Select) {
                const bool named = std::find(c["options"].begin(), c["options"].end(), *text) !=
                                   c["options"].end();
                ASSERT_TRUE(named || *text == "None") << e.key << " " << v << " " << *text;
                continue;
            }
            const double x = std::stod(*text);
            ASSERT_GE(x, c["min"].get<double>() - 1e-9) << e.key << " " << v;
            ASSERT_LE(x, c["max"].get<double>() + 1e-9) << e.key << " " << v;
        }
    }
    // What `set 0x0219 10`, `set 0x0100 600`, `set 0x000A 5` and others leave in the unit.
    const std::tuple<const char*, int, const char*> cases[] = {
        {"aux_gain", 10, "21"},           {"left_delay", 600, "60.0"},
        {"input_source", 5, "None"},      {"input_source", 3, "None"},
        {"sub_mode", 2, "None"},          {"master_volume", 999, "100.0"},
        {"master_volume", 1001, "100.1"}, {"master_volume", 5000, "500.0"},
        {"aux_gain", 0xFFFF, "196596"},
    };
    for (const auto& [key, value, state] : cases)
        EXPECT_EQ(stateText(*findEntity(key), value), state) << key << " " << value;
    // A command keeps to the window's range all the same.
    EXPECT_FALSE(parseCommand(*findEntity("aux_gain"), "21").value);
    EXPECT_FALSE(parseCommand(*findEntity("input_source"), "None").value);
}

TEST(MqttEntities, TheLinkSensorIsOnWhileTheUnitIsConnectedBusyIncluded) {
    struct Case {
        const char* state;
        const char* text;
        bool wasOn;
        bool on;
    };
    const Case cases[] = {
        {"connected", "Device Connected", false, true},
        {"busy", "Downloading...", true, true},    // a preset on its way
        {"busy", "加载中...", true, true},         // the unit read again
        {"busy", "Connecting ...", false, false},  // not connected yet
        {"busy", "OffLine", true, false},          // lost: it answers no more
        {"busy", "设备未连接", true, false},       // the same in Chinese
        {"offline", "Offline", true, false},
        {"", "", true, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(linkSensorOn(c.state, c.text, c.wasOn), c.on) << c.state << " " << c.text;
}

}  // namespace
}  // namespace vt::service
