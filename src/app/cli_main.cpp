// Entry point of vortella-cli, the command-line companion: presets and scripted device access.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_output.h"

namespace {

constexpr const char* kUsage = R"(Usage: vortella-cli COMMAND [ARGS]
       vortella-cli [DEVICE OPTIONS] DEVICE COMMAND [ARGS] [then DEVICE COMMAND [ARGS]]...

Preset files (.Nddt):
  preset show FILE        print the preset as JSON: model, variant, verified, lines, slots
  preset make JSON OUT    write the preset file for the device image given as JSON
                          ({"variant":0,"slots":[[module,slot,value],...]}; missing slots are 0)

Device commands (each connects to the unit and reads its settings first):
  devices                 list the USB devices with the unit's vendor ID, one line each
                          (with --transport uart: the serial ports, in the order tried)
  dump                    print the unit's settings as JSON: {"slots":[[module,slot,value],...]}
                          for every slot of modules 0 to 3
  set ADDRESS VALUE       write one parameter and wait for the unit's answer; ADDRESS is
                          module * 256 + slot, VALUE 0 to 65535, both decimal or 0x-hexadecimal
  load FILE               write a preset file into the unit, as the window's Load does
  store                   make the unit store its current settings
  restore                 make the unit return to its stored settings, then read them
  factory                 make the unit return to its factory settings, then read them
  Commands joined by "then" share one connection:
    vortella-cli set 0x0105 300 then store
  A dump after another command reads the unit again, so it shows what the unit holds.

Device options:
  --simulate              list a simulated unit beside the real devices; it is the one used
  --transport usb|uart    how the unit is reached (default usb)
  --port NAME             with --transport uart: the serial port to try first (ttyUSB0,
                          /dev/ttyS1); the other ports are tried after it, one second each
  --timeout SECONDS       give up when connecting, or any one command, takes longer (default 10)

Options:
  --help                  show this text
  --version               show the version

Progress goes to the error stream, results to the output stream.
Exit codes: 0 success, 1 usage error, 2 bad input (argument or file), 3 device failure or
time-out ("Connection Failed!", "Offline", "Device Disconnected!", "Ack Error!"), 4 the output
could not be written ("cannot write output: No space left on device").
)";

}  // namespace

namespace {

int runCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << kUsage;
        return vt::cli::kExitUsage;
    }
    const std::string& cmd = args.front();
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::cout << kUsage;
        return vt::cli::kExitOk;
    }
    if (cmd == "--version") {
        std::cout << "vortella-cli " << VORTELLA_VERSION << "\n";
        return vt::cli::kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (cmd == "preset") return vt::cli::runPreset(rest, std::cout, std::cerr);
    if (vt::cli::isDeviceCommandLine(cmd)) return vt::cli::runDevice(args, std::cout, std::cerr);
    std::cerr << "vortella-cli: unknown command '" << cmd << "'\n\n" << kUsage;
    return vt::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    vt::cli::CheckedOutput output(std::cout, STDOUT_FILENO);
    const int exitCode = runCli(argc, argv);
    return output.finish(exitCode, std::cerr);
}
