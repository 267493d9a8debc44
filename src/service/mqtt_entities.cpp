// The MQTT bridge's entities: the table, their topics and discovery configs, and the payloads.
#include "service/mqtt_entities.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "link/level_meter.h"
#include "link/link_texts.h"
#include "model/modules.h"
#include "model/number_text.h"
#include "model/rounding.h"
#include "model/scales.h"
#include "model/slot_names.h"

namespace vt::service::mqtt {
namespace {

// Longer payloads are no number, option or switch word of ours.
constexpr std::size_t kMaxPayload = 64;

constexpr std::array<std::string_view, 3> kInputOptions{"RCA", "Bluetooth", "Auto"};
constexpr std::array<std::string_view, 2> kSubOptions{"Mono", "Stereo"};

using C = Component;
constexpr int kInputAddress = makeAddress(kSystemModule, slot_ids::kSysInput);
constexpr int kVolumeAddress = makeAddress(kMainModule, slot_ids::kMainVolume);

// The largest value a slot of the unit holds.
constexpr int kLargestDeviceValue = 0xFFFF;

// Ranges and steps as the window's bars and panes show them: volume 0..1000 as 0.0..100.0,
// delays in tenths of a millisecond, the Auxiliary gain in steps of 3 dB from -9 dB.
const Entity kEntities[] = {
    {"input_source", C::Select, kInputAddress, {}, 1, 0, 2, 0, {}, kInputOptions},
    {"master_volume", C::Number, kVolumeAddress, {}, 0.1, 0, 1000, 1},
    {"eq_pass", C::Switch, makeAddress(1, slot_ids::kMainEqPass), {}, 1, 0, 1},
    {"main_left_phase", C::Switch, makeAddress(1, 3), {}, 1, 0, 1},
    {"main_right_phase", C::Switch, makeAddress(1, 7), {}, 1, 0, 1},
    {"sub_left_phase", C::Switch, makeAddress(2, 27), {}, 1, 0, 1},
    {"sub_right_phase", C::Switch, makeAddress(2, 28), {}, 1, 0, 1},
    {"sub_mode", C::Select, makeAddress(2, 26), {}, 1, 0, 1, 0, {}, kSubOptions},
    {"compressor", C::Switch, makeAddress(1, 4), {}, 1, 0, 1},
    {"left_delay", C::Number, makeAddress(1, 0), {}, 0.1, 0, 150, 1, "ms"},
    {"right_delay", C::Number, makeAddress(1, 2), {}, 0.1, 0, 150, 1, "ms"},
    {"aux_gain", C::Number, makeAddress(2, 25), {}, 3, -9, 6, 0, "dB"},
    {kLinkKey, C::BinarySensor, -1, "Link"},
    {kLeftLevelKey, C::Sensor, -1, "Left input level", 1, 0, 0, 0, "dBFS"},
    {kRightLevelKey, C::Sensor, -1, "Right input level", 1, 0, 0, 0, "dBFS"},
    {kStoreKey, C::Button, -1, "Store"},
    {kRestoreKey, C::Button, -1, "Restore"},
};

std::string_view componentName(Component c) {
    switch (c) {
        case C::Select:
            return "select";
        case C::Number:
            return "number";
        case C::Switch:
            return "switch";
        case C::BinarySensor:
            return "binary_sensor";
        case C::Sensor:
            return "sensor";
        case C::Button:
            return "button";
    }
    return "sensor";
}

bool hasCommand(Component c) {
    return c == C::Select || c == C::Number || c == C::Switch || c == C::Button;
}

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// The payload as it may be quoted on the error stream: printable ASCII, cut short.
std::string quoted(std::string_view payload) {
    std::string out = "'";
    for (char c : payload.substr(0, 32)) out += (c >= 0x20 && c < 0x7F) ? c : '?';
    if (payload.size() > 32) out += "...";
    return out + "'";
}

std::string shown(const Entity& e, double x) {
    return formatFixed(x, e.decimals);
}

}  // namespace

std::span<const Entity> entities() {
    return kEntities;
}

const Entity* findEntity(std::string_view key) {
    for (const Entity& e : kEntities)
        if (e.key == key) return &e;
    return nullptr;
}

std::string entityName(const Entity& entity) {
    return entity.address >= 0 ? slotName(entity.address) : std::string(entity.name);
}

std::string unitLevel(std::string_view unit) {
    std::string out;
    for (char c : unit) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_';
        out += keep ? c : '_';
    }
    while (!out.empty() && out.front() == '_') out.erase(0, 1);
    return out.empty() ? "unit" : out;
}

std::string prefixProblem(std::string_view prefix) {
    if (prefix.empty()) return "the prefix is empty";
    if (prefix.front() == '/' || prefix.back() == '/')
        return "'" + std::string(prefix) + "' begins or ends with '/'";
    if (prefix.find("//") != std::string_view::npos)
        return "'" + std::string(prefix) + "' has an empty level";
    for (char c : prefix)
        if (c == '+' || c == '#' || c == '\0' || static_cast<unsigned char>(c) < 0x20)
            return "'" + std::string(prefix) + "' holds a wildcard or a control character";
    return {};
}

std::string Topics::state(std::string_view key) const {
    return base() + "/state/" + std::string(key);
}

std::string Topics::command(std::string_view key) const {
    return base() + "/set/" + std::string(key);
}

std::string Topics::discovery(const Entity& entity) const {
    return discoveryPrefix + "/" + std::string(componentName(entity.component)) + "/vortella_" +
           unit + "/" + std::string(entity.key) + "/config";
}

const Entity* Topics::commandEntity(std::string_view topic) const {
    const std::string prefix = base() + "/set/";
    if (topic.substr(0, prefix.size()) != prefix) return nullptr;
    const Entity* e = findEntity(topic.substr(prefix.size()));
    return e && hasCommand(e->component) ? e : nullptr;
}

Json discoveryConfig(const Entity& e, const Topics& topics, const DeviceInfo& device) {
    const std::string id = "vortella_" + topics.unit;
    Json config;
    config["name"] = entityName(e);
    config["unique_id"] = id + "_" + std::string(e.key);
    // The entity id a home-automation system gives the entity when it first sees it, so a
    // dashboard can name it: the component and the unique id ("number.vortella_UNIT_KEY").
    config["default_entity_id"] =
        std::string(componentName(e.component)) + "." + id + "_" + std::string(e.key);
    config["availability_topic"] = topics.availability();
    config["payload_available"] = "online";
    config["payload_not_available"] = "offline";
    config["device"] = {{"identifiers", Json::array({id})},
                        {"name", device.name},
                        {"model", device.model},
                        {"manufacturer", device.manufacturer},
                        {"sw_version", device.swVersion}};
    if (e.component != C::Button) config["state_topic"] = topics.state(e.key);
    if (hasCommand(e.component)) config["command_topic"] = topics.command(e.key);
    switch (e.component) {
        case C::Select: {
            Json options = Json::array();
            for (auto o : e.options) options.push_back(std::string(o));
            config["options"] = options;
            break;
        }
        case C::Number:
            // Every value the unit may hold, or a dashboard refuses the state and goes on
            // showing the last one it took; a command keeps to the window's range.
            config["min"] = e.offset;
            config["max"] = kLargestDeviceValue * e.scale + e.offset;
            config["step"] = e.scale;
            config["mode"] = "box";
            break;
        case C::Switch:
        case C::BinarySensor:
            config["payload_on"] = "ON";
            config["payload_off"] = "OFF";
            if (e.component == C::BinarySensor) config["device_class"] = "connectivity";
            break;
        case C::Sensor:
            config["state_class"] = "measurement";
            break;
        case C::Button:
            config["payload_press"] = "PRESS";
            break;
    }
    if (!e.unit.empty()) config["unit_of_measurement"] = std::string(e.unit);
    return config;
}

std::optional<std::string> stateText(const Entity& e, int value) {
    switch (e.component) {
        case C::Select:
            if (value < 0 || value >= static_cast<int>(e.options.size()))
                return std::string(kUnknownState);
            return std::string(e.options[static_cast<std::size_t>(value)]);
        case C::Switch:
            return value != 0 ? "ON" : "OFF";
        case C::Number:
            // The volume pane shows the top two steps as 100.0; beyond its range, the value.
            if (e.address == kVolumeAddress && value <= e.deviceMax) return volumeText(value);
            return shown(e, value * e.scale + e.offset);
        default:
            return std::nullopt;
    }
}

Command parseCommand(const Entity& e, std::string_view payload) {
    const std::string name = entityName(e);
    if (payload.size() > kMaxPayload)
        return {std::nullopt,
                name + ": payload of " + std::to_string(payload.size()) + " bytes ignored"};
    const std::string_view word = trimmed(payload);
    switch (e.component) {
        case C::Button:
            if (word == "PRESS") return {0, {}};
            return {std::nullopt, name + ": " + quoted(payload) + " is not PRESS; ignored"};
        case C::Switch:
            if (word == "ON") return {1, {}};
            if (word == "OFF") return {0, {}};
            return {std::nullopt, name + ": " + quoted(payload) + " is not ON or OFF; ignored"};
        case C::Select:
            for (std::size_t i = 0; i < e.options.size(); ++i)
                if (word == e.options[i]) return {static_cast<int>(i), {}};
            return {std::nullopt, name + ": " + quoted(payload) + " is no option; ignored"};
        case C::Number: {
            const auto x = parseReal(word);
            if (!x)
                return {std::nullopt, name + ": " + quoted(payload) + " is not a number; ignored"};
            const double top = e.deviceMax * e.scale + e.offset;
            if (!(*x >= e.offset - 1e-9 && *x <= top + 1e-9))
                return {std::nullopt, name + ": " + quoted(payload) + " is out of range (" +
                                          shown(e, e.offset) + " to " + shown(e, top) +
                                          "); ignored"};
            // Between two steps: the nearer one, as the window's panes snap a typed number.
            // Decimal steps are not exact in binary: 0.15 / 0.1 is 1.4999..., a half all the same.
            const double exact = roundHalfEven((*x - e.offset) / e.scale * 1e6) / 1e6;
            const double steps = roundHalfEven(exact);
            return {static_cast<int>(std::clamp<double>(steps, 0, e.deviceMax)), {}};
        }
        default:
            return {std::nullopt, name + ": takes no commands"};
    }
}

bool linkSensorOn(std::string_view state, std::string_view text, bool wasOn) {
    if (state == "connected") return true;
    const bool offLine = text == texts::kOffline || text == texts::kOffLine.english ||
                         text == texts::kOffLine.chinese;
    return state == "busy" && wasOn && !offLine;
}

std::string levelText(int meterValue) {
    return formatInt(meterValue - kMeterMax);
}

}  // namespace vt::service::mqtt
