// Entry point of vortella-cli, the command-line companion: presets and scripted device access.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_usage.h"
#include "app/program_version.h"

namespace {

constexpr const char* kUsage = R"(
Preset files (.Nddt):
  preset show FILE        print the preset as JSON: model, variant, verified, lines, slots
  preset make JSON OUT    write the preset file for the device image given as JSON
                          ({"variant":0,"slots":[[module,slot,value],...]}; missing slots are 0;
                          JSON "-" reads it from standard input)

Filter lists (the "Filter: ON PK Fc 125 Hz Gain -3 dB Q 1" text of measurement software):
  eq fit FILE [--channel main|aux] [--source-channel L|R] [--apply]
                          fit the file's filters to the channel's bands and print them as JSON
                          with the dropped filters and the residual in dB; --apply then writes
                          them to the unit (the device options below apply); of a file with
                          Channel: blocks the filters for L are read, or for R when chosen
  eq export [--preset FILE] [--channel main|aux]
                          print the channel's bands as such a filter list, from a preset file
                          or, without --preset, from the unit

USB captures (pcap or pcapng, usbmon or USBPcap, as --capture or Wireshark writes them):
  capture decode FILE [--summary]
                          print the unit's reports as JSON, one object per line: t, dir, kind,
                          command, address, name, value, checksum_ok, hex; --summary prints the
                          parameter writes as "name = value" and counts the reports not read.
                          A file that is damaged or cut short exits 2 after what came before

Device commands (each connects to the unit and reads its settings first):
  devices                 list the USB devices with the unit's vendor ID, one line each
                          (with --transport uart: the serial ports, in the order tried)
  dump                    print the unit's settings as JSON: {"slots":[[module,slot,value],...]}
                          for every slot of modules 0 to 3
  save FILE               write the unit's settings to a preset file, as the window's Save does
                          (.Nddt added when missing), and print the file's name
  set ADDRESS VALUE       write one parameter and wait for the unit's answer; ADDRESS is
                          module * 256 + slot, VALUE 0 to 65535, both decimal or 0x-hexadecimal
  load FILE               write a preset file into the unit, as the window's Load does
  store                   make the unit store its current settings
  restore                 make the unit return to its stored settings, then read them
  factory                 make the unit return to its factory settings, then read them
  Commands joined by "then" share one connection:
    vortella-cli set 0x0105 300 then store
  A dump or save after another command reads the unit again, so it shows what the unit holds.

Connection doctor:
  doctor [--json]         why the unit can or cannot be used: the units present, whether this
                          user may open them (and the fix when not), whether they answer; the
                          udev rule; the serial ports. Exit 0 when a unit answered, else 3

Device options:
  --simulate              list a simulated unit beside the real devices; it is the one used
  --transport usb|uart    how the unit is reached (default usb)
  --port NAME             with --transport uart: the serial port to try first (ttyUSB0,
                          /dev/ttyS1); the other ports are tried after it, one second each
  --timeout SECONDS       give up when connecting, or any one command, takes longer (default 10)
  --lang en|zh            the language of the progress lines (default: the one last chosen in
                          the window, else the system's); results do not change
  --capture FILE          record every report to and from the unit in FILE, a pcapng capture
                          that Wireshark opens (USB only)

Options:
  --help                  show this text
  --version               show the version

Progress goes to the error stream, results to the output stream.
Exit codes: 0 success, 1 usage error, 2 bad input (argument or file), 3 device failure or
time-out ("Connection Failed!", "Offline", "Device Disconnected!", "Ack Error!"), 4 the output,
a preset file or a capture could not be written ("cannot write output: No space left on device").
)";

// `vortella-cli [DEVICE OPTIONS] doctor ...`: "doctor" is the first word that is neither an option
// nor an option's value.
bool isDoctorLine(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "doctor") return true;
        if (word.rfind("--", 0) != 0) return false;
        if (vt::cli::optionTakesValue(word)) ++i;
    }
    return false;
}

}  // namespace

namespace {

int runCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << vt::cli::kUsageSynopsis << kUsage;
        return vt::cli::kExitUsage;
    }
    const std::string& cmd = args.front();
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::cout << vt::cli::kUsageSynopsis << kUsage;
        return vt::cli::kExitOk;
    }
    if (cmd == "--version") {
        std::cout << "vortella-cli " << vt::app::kProgramVersion << "\n";
        return vt::cli::kExitOk;
    }
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (isDoctorLine(args)) return vt::cli::runDoctor(args, std::cout, std::cerr);
    if (cmd == "preset") return vt::cli::runPreset(rest, std::cout, std::cerr);
    if (cmd == "eq") return vt::cli::runEq(rest, std::cout, std::cerr);
    if (cmd == "capture") return vt::cli::runCapture(rest, std::cout, std::cerr);
    if (vt::cli::isDeviceCommandLine(cmd)) return vt::cli::runDevice(args, std::cout, std::cerr);
    std::cerr << "vortella-cli: unknown command '" << cmd << "'\n" << vt::cli::kUsageSynopsis;
    return vt::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    vt::cli::CheckedOutput output(std::cout, STDOUT_FILENO);
    const int exitCode = runCli(argc, argv);
    return output.finish(exitCode, std::cerr);
}
