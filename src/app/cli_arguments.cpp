// Parsing and checking of the device commands' options and arguments.
#include "app/cli_arguments.h"

#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include "app/capture_option.h"
#include "app/cli_commands.h"
#include "model/modules.h"
#include "model/number_text.h"
#include "model/text_pairs.h"
#include "model/typed_write.h"

namespace vt::cli {
namespace {

// The range of --timeout in seconds: it counts in whole milliseconds, up to a day.
constexpr double kShortestTimeout = 0.001;
constexpr double kLongestTimeout = 86400.0;

struct CommandShape {
    std::string_view name;
    DeviceCommandKind kind;
    std::size_t arguments;
};

constexpr std::array<CommandShape, 8> kCommands{{
    {"devices", DeviceCommandKind::Devices, 0},
    {"dump", DeviceCommandKind::Dump, 0},
    {"save", DeviceCommandKind::Save, 1},
    {"set", DeviceCommandKind::Set, 2},
    {"load", DeviceCommandKind::Load, 1},
    {"store", DeviceCommandKind::Store, 0},
    {"restore", DeviceCommandKind::Restore, 0},
    {"factory", DeviceCommandKind::Factory, 0},
}};

constexpr std::string_view kThen = "then";

const CommandShape* findCommand(std::string_view name) {
    for (const auto& c : kCommands)
        if (c.name == name) return &c;
    return nullptr;
}

ArgumentProblem usage(std::string message) {
    return {kExitUsage, std::move(message)};
}
ArgumentProblem badInput(std::string message) {
    return {kExitBadInput, std::move(message)};
}

// Reads one command with its arguments from words[0..].
ArgumentProblem readCommand(const std::vector<std::string>& words, DeviceCommand& command) {
    const CommandShape* entry = findCommand(words.front());
    if (!entry) return usage("unknown command '" + words.front() + "'");
    if (words.size() - 1 != entry->arguments)
        return usage("'" + std::string(entry->name) + "' takes " +
                     std::to_string(entry->arguments) + " argument" +
                     (entry->arguments == 1 ? "" : "s") + ", not " +
                     std::to_string(words.size() - 1));
    command.kind = entry->kind;
    if (entry->arguments == 1) command.file = words[1];
    if (entry->kind != DeviceCommandKind::Set) return {};

    const TypedWrite write = readTypedWrite(words[1], words[2]);
    if (!write.problem.empty()) return badInput(write.problem);
    command.address = write.address;
    command.value = write.value;
    return {};
}

// An option's value: "--name=value" or "--name value".
bool optionValue(const std::vector<std::string>& args, std::size_t& i, std::string_view name,
                 std::string& value, ArgumentProblem& problem) {
    const std::string& word = args[i];
    const std::string prefix = std::string(name) + "=";
    if (word.rfind(prefix, 0) == 0) {
        value = word.substr(prefix.size());
        return true;
    }
    if (word != name) return false;
    if (i + 1 >= args.size()) {
        problem = usage(std::string(name) + " needs a value");
        return true;
    }
    value = args[++i];
    return true;
}

ArgumentProblem readOption(const std::vector<std::string>& args, std::size_t& i,
                           DeviceRequest& request) {
    const std::string& word = args[i];
    if (word == "--simulate") {
        request.simulate = true;
        return {};
    }
    ArgumentProblem problem;
    std::string value;
    if (optionValue(args, i, "--transport", value, problem)) {
        if (problem.exitCode) return problem;
        if (value != "usb" && value != "uart")
            return usage("--transport takes usb or uart, not '" + value + "'");
        request.uart = value == "uart";
        return {};
    }
    if (optionValue(args, i, "--port", value, problem)) {
        if (problem.exitCode) return problem;
        if (value.empty()) return usage("--port needs a port name");
        request.port = value;
        return {};
    }
    if (optionValue(args, i, "--device", value, problem)) {
        if (problem.exitCode) return problem;
        if (value.empty()) return usage("--device needs the path of the unit's node");
        request.device = value;
        return {};
    }
    if (optionValue(args, i, "--timeout", value, problem)) {
        if (problem.exitCode) return problem;
        const auto seconds = parseReal(value);
        if (!seconds || !std::isfinite(*seconds) || *seconds < kShortestTimeout ||
            *seconds > kLongestTimeout)
            return usage("--timeout takes a number of seconds from 0.001 to 86400, not '" + value +
                         "'");
        request.timeout = std::chrono::milliseconds(std::llround(*seconds * 1000.0));
        return {};
    }
    if (optionValue(args, i, "--capture", value, problem)) {
        if (problem.exitCode) return problem;
        if (value.empty()) return usage("--capture needs a file");
        request.capture = value;
        return {};
    }
    if (optionValue(args, i, "--lang", value, problem)) {
        if (problem.exitCode) return problem;
        request.language = languageFromName(value);
        if (!request.language) return usage("--lang takes en or zh, not '" + value + "'");
        return {};
    }
    return usage("unknown option '" + word + "'");
}

}  // namespace

bool isOptionWord(std::string_view word) {
    return word.size() > 2 && word.starts_with("--") &&
           !std::isdigit(static_cast<unsigned char>(word[2]));
}

bool isDeviceCommandLine(std::string_view word) {
    return findCommand(word) != nullptr || isOptionWord(word) || word == kEndOfOptions;
}

bool optionTakesValue(std::string_view word) {
    return word == "--transport" || word == "--port" || word == "--device" || word == "--timeout" ||
           word == "--lang" || word == "--capture";
}

std::size_t commandIndex(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == kEndOfOptions) return i + 1;
        if (!isOptionWord(args[i])) return i;
        if (optionTakesValue(args[i])) ++i;
    }
    return args.size();
}

ArgumentProblem parseDeviceRequest(const std::vector<std::string>& args, DeviceRequest& request) {
    DeviceRequest parsed;
    std::vector<std::vector<std::string>> groups(1);
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (optionsEnded) {
            groups.back().push_back(word);
        } else if (word == kEndOfOptions) {
            optionsEnded = true;
        } else if (isOptionWord(word)) {
            if (ArgumentProblem p = readOption(args, i, parsed); p.exitCode) return p;
        } else if (word == kThen) {
            groups.emplace_back();
        } else {
            groups.back().push_back(word);
        }
    }
    for (const auto& words : groups) {
        if (words.empty())
            return usage(groups.size() == 1 ? "no command given"
                                            : "'then' must stand between two commands");
        DeviceCommand command;
        if (ArgumentProblem p = readCommand(words, command); p.exitCode) return p;
        parsed.commands.push_back(std::move(command));
    }
    if (parsed.commands.size() > 1)
        for (const auto& c : parsed.commands)
            if (c.kind == DeviceCommandKind::Devices)
                return usage("'devices' cannot be chained with other commands");
    if (parsed.simulate && parsed.uart)
        return usage(
            "--simulate lists a simulated USB unit; it cannot be used with --transport "
            "uart");
    if (!parsed.port.empty() && !parsed.uart) return usage("--port needs --transport uart");
    if (!parsed.device.empty() && (parsed.simulate || !parsed.port.empty()))
        return usage("--device names the unit itself; it cannot be used with --simulate or --port");
    if (!parsed.capture.empty() && parsed.uart) return usage(app::kCaptureNeedsUsb);
    request = std::move(parsed);
    return {};
}

std::string describe(const DeviceCommand& command) {
    for (const auto& c : kCommands) {
        if (c.kind != command.kind) continue;
        std::string text(c.name);
        if (command.kind == DeviceCommandKind::Set)
            text += " " + hex4(command.address) + " " + std::to_string(command.value);
        if (!command.file.empty()) text += " " + command.file;
        return text;
    }
    return {};
}

}  // namespace vt::cli
