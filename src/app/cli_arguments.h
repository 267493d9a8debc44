// Command lines of the device commands: the connection options and one or more commands chained
// with "then", every argument checked before any device is touched.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/typed_write.h"

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
    std::string device;  // --device: the node to open instead of searching
    // For the connection, and again for each command: 1 ms to a day.
    std::chrono::milliseconds timeout{10000};
    std::optional<int> language;  // --lang: the language of the progress lines
    std::string capture;          // --capture: where to record the unit's reports
    std::vector<DeviceCommand> commands;
};

struct ArgumentProblem {
    int exitCode = 0;  // kExitUsage or kExitBadInput; 0 when the command line is good
    std::string message;
};

// "--" ends the options: every word after it is an argument, even "then" or "--x".
inline constexpr std::string_view kEndOfOptions = "--";

// Whether `word` is written as an option: "--" and a name. "--5" is not (a mistyped negative
// number is an argument, and a bad one), nor is "--" itself.
bool isOptionWord(std::string_view word);

// Whether `word` starts a device command line (a command name or an option).
bool isDeviceCommandLine(std::string_view word);

// Whether a device option is followed by a value (`--port NAME`).
bool optionTakesValue(std::string_view word);

// Where the command starts: the index of the first word after the leading device options (and
// their values, and a "--"); args.size() when there is none.
std::size_t commandIndex(const std::vector<std::string>& args);

// Reads the options and commands; fills `request` when the line is good.
ArgumentProblem parseDeviceRequest(const std::vector<std::string>& args, DeviceRequest& request);

// The command as typed, for messages ("set 0x0105 300").
std::string describe(const DeviceCommand& command);

}  // namespace vt::cli
