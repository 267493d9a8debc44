// Command lines of the device commands: the connection options and one or more commands chained
// with "then", every argument checked before any device is touched.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vt::cli {

enum class DeviceCommandKind { Devices, Dump, Save, Set, Load, Store, Restore, Factory };

struct DeviceCommand {
    DeviceCommandKind kind = DeviceCommandKind::Dump;
    int address = 0;   // set
    int value = 0;     // set
    std::string file;  // load, save
};

struct DeviceRequest {
    bool simulate = false;
    bool uart = false;
    std::string port;
    double timeoutSeconds = 10.0;  // for the connection, and again for each command
    std::optional<int> language;   // --lang: the language of the progress lines
    std::string capture;           // --capture: where to record the unit's reports
    std::vector<DeviceCommand> commands;
};

struct ArgumentProblem {
    int exitCode = 0;  // kExitUsage or kExitBadInput; 0 when the command line is good
    std::string message;
};

// Whether `word` starts a device command line (a command name or an option).
bool isDeviceCommandLine(std::string_view word);

// Whether a device option is followed by a value (`--port NAME`).
bool optionTakesValue(std::string_view word);

// A whole non-negative number, decimal or 0x-hexadecimal; nullopt on anything else.
std::optional<long long> parseNumber(std::string_view text);

// Reads the options and commands; fills `request` when the line is good.
ArgumentProblem parseDeviceRequest(const std::vector<std::string>& args, DeviceRequest& request);

// The command as typed, for messages ("set 0x0105 300").
std::string describe(const DeviceCommand& command);

}  // namespace vt::cli
