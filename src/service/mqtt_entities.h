// What the MQTT bridge shows of the unit: its entities with their topics, the discovery config
// of each for home-automation systems, the state text of a device value and the reading of a
// command payload. Qt-free: a payload is outside input, and its parser is fuzzed.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "service/rpc_protocol.h"

namespace vt::service::mqtt {

enum class Component { Select, Number, Switch, BinarySensor, Sensor, Button };

// One entity. A parameter entity has the unit's address; the others (-1) are fed otherwise.
struct Entity {
    std::string_view key;  // the last topic level: "master_volume"
    Component component;
    int address = -1;
    std::string_view name = {};  // for entities without an address; else the slot name
    // A number's shown value is device value * scale + offset, from minimum to maximum.
    double scale = 1.0;
    double offset = 0.0;
    int deviceMax = 0;  // the highest device value a command sets (the window's)
    int decimals = 0;
    std::string_view unit = {};
    std::span<const std::string_view> options = {};  // a select's, by device value
};

std::span<const Entity> entities();
const Entity* findEntity(std::string_view key);
std::string entityName(const Entity& entity);

// Keys of the entities fed by the link rather than by parameters.
inline constexpr std::string_view kLinkKey = "link";
inline constexpr std::string_view kLeftLevelKey = "left_level";
inline constexpr std::string_view kRightLevelKey = "right_level";
inline constexpr std::string_view kStoreKey = "store";
inline constexpr std::string_view kRestoreKey = "restore";

// The unit as a topic level: a USB serial, a node path or "simulated", with every character
// other than letters, digits, '-' and '_' made '_' ("/dev/hidraw3" -> "dev_hidraw3").
std::string unitLevel(std::string_view unit);

// Why a discovery prefix cannot be used ("" when it can): it is one or more topic levels
// without wildcards.
std::string prefixProblem(std::string_view prefix);

struct Topics {
    std::string discoveryPrefix = "homeassistant";
    std::string unit;  // as unitLevel made it

    std::string base() const { return "vortella/" + unit; }
    std::string availability() const { return base() + "/availability"; }
    std::string state(std::string_view key) const;
    std::string command(std::string_view key) const;
    std::string commandFilter() const { return base() + "/set/#"; }
    std::string discovery(const Entity& entity) const;
    // The entity a command topic addresses, or nullptr.
    const Entity* commandEntity(std::string_view topic) const;
};

struct DeviceInfo {
    std::string name;
    std::string model;
    std::string manufacturer;
    std::string swVersion;
};

// The retained discovery config of one entity.
Json discoveryConfig(const Entity& entity, const Topics& topics, const DeviceInfo& device);

// The state that home-automation systems take as "unknown": a select's for a value that no
// option names.
inline constexpr std::string_view kUnknownState = "None";

// The state payload of a parameter entity's device value (nullopt for the entities without
// one).
std::optional<std::string> stateText(const Entity& entity, int deviceValue);

// A command payload read for an entity: the device value to write, or why not (one line).
struct Command {
    std::optional<int> value;  // for a button: 0, the press
    std::string problem;
};
Command parseCommand(const Entity& entity, std::string_view payload);

// The `link` sensor for the owner's link `state` ("connected", "busy" or "offline") and label
// `text`: ON while the unit is connected, through its transfers (a preset on its way, the unit
// read again) too; a busy link that was not connected (connecting) or whose label says the unit
// is off line (lost to silence) is OFF.
bool linkSensorOn(std::string_view state, std::string_view text, bool wasOn);

// The text of a level meter's value (0..48, 48 at full scale) in dB below full scale.
std::string levelText(int meterValue);

}  // namespace vt::service::mqtt
