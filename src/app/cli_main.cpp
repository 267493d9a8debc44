// Entry point of vortella-cli, the command-line companion: presets and scripted device access.
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/cli_usage.h"
#include "app/help_request.h"
#include "app/program_version.h"
#include "presets/path_rules.h"

namespace {

constexpr const char* kUsage = R"(
Preset files (.Nddt):
  preset show FILE        print the preset as JSON: model, variant, verified, lines, slots
  preset make JSON OUT    write the preset file for the device image given as JSON
                          ({"variant":0,"slots":[[module,slot,value],...]}; missing slots are 0;
                          JSON "-" reads it from standard input; OUT "-" writes the file to
                          standard output)

Filter lists (the 'Filter: ON PK Fc 125 Hz Gain -3 dB Q 1' text of measurement software):
  eq fit FILE [--channel main|aux] [--source-channel L|R] [--apply]
                          fit the file's filters to the channel's bands and print them as JSON
                          with the dropped filters and the residual in dB; --apply then writes
                          them to the unit (the device options below apply, before eq or
                          after it); of a file with Channel: blocks the filters for L are
                          read, or for R when chosen
  eq auto MEASUREMENT [--target FILE|flat] [--channel main|aux] [--apply]
                          find the channel's bands (9 on main, 2 on aux; peaks and shelves on the
                          unit's steps) that bring the measured response (frequency and level
                          pairs) nearest the target (default flat) and print them as JSON with
                          the RMS error before and after; --apply writes them as eq fit does
  eq export [--preset FILE] [--channel main|aux]
                          print the channel's bands as such a filter list, from a preset file
                          or, without --preset, from the unit

USB captures (pcap or pcapng, usbmon or USBPcap, as --capture or Wireshark writes them):
  capture decode FILE [--summary]
                          print the unit's reports as JSON, one object per line: t, dir, kind,
                          command, address, name, value, checksum_ok, hex; --summary prints the
                          parameter writes as "name = value" and counts the reports not read.
                          A file that is damaged or cut short exits 2 after what came before

The control service (one program owns the unit; the others go through it):
  serve [--listen HOST:PORT] [--allow-origin ORIGIN]... [--mqtt BROKER]
                          own the unit without a window and serve it to other programs on
                          $XDG_RUNTIME_DIR/vortella/control (JSON-RPC 2.0, one object per
                          line; docs/control-api.md) until stopped; reconnects after the unit
                          was unplugged. One per user: a second serve exits 3 naming the first.
                          --listen also serves WebSocket clients at ws://HOST:PORT/ (loopback
                          unless another address is named) that present the token, and the
                          web app at http://HOST:PORT/ (see pair); pages of the origins given
                          with --allow-origin may connect.
                          --mqtt also shows the unit on the MQTT broker BROKER,
                          [mqtt://][USER[:PASSWORD]@]HOST[:PORT] (port 1883 unless named), for
                          home-automation systems: discovery configs under --mqtt-prefix
                          PREFIX (homeassistant), states and commands under vortella/UNIT/
                          (docs/home-automation.md); --mqtt-password-file FILE: the password
                          is the first line of FILE. A broker that is away is tried again,
                          1 s doubling to 60 s; a command that is no value of its entity is
                          ignored with a line on the error stream
  token                   print the token that WebSocket clients present ("Authorization:
                          Bearer TOKEN", "?token=TOKEN" in the address, or a page's
                          subprotocol "vortella.token.TOKEN"), made on first use
                          in ~/.config/vortella/token ($XDG_CONFIG_HOME/vortella/token), private
                          to the user. A token file that others may read or change, or that
                          holds no token, is refused, never replaced: fix or remove it
  pair [--listen HOST:PORT | --port PORT] [--address HOST]
                          print the address that pairs a phone or browser with the web app that
                          serve --listen serves, http://HOST:PORT/#token=TOKEN (the part after
                          "#" is never sent over the network; the page keeps the token), and
                          the same as a QR code to scan. PORT is the one of serve --listen
                          (default 8765); HOST the address given, else that of --listen, else
                          this machine's first network address

Device commands (each connects to the unit and reads its settings first; while a program
serves the unit, the window or serve, they go through it, with the same output):
  devices                 list the USB devices with the unit's vendor ID, one line each
                          (with --transport uart: the serial ports, in the order tried)
  dump                    print the unit's settings as JSON: {"slots":[[module,slot,value],...]}
                          for every slot of modules 0 to 3
  save FILE               write the unit's settings to a preset file, as the window's Save does
                          (.Nddt added when missing), and print the file's name; FILE "-"
                          writes the file to standard output
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

Device options (before the command or after it):
  --simulate              list a simulated unit beside the real devices; it is the one used
  --transport usb|uart    how the unit is reached (default usb)
  --port NAME             with --transport uart: the serial port to try first (ttyUSB0,
                          /dev/ttyS1); the other ports are tried after it, one second each
  --device PATH           open the unit at PATH (a hidraw node, or with --transport uart a
                          serial port) instead of searching; the doctor lists the paths
  --timeout SECONDS       give up when connecting, or any one command, takes longer
                          (0.001 to 86400, default 10)
  --lang en|zh            the language of the progress lines (default: the one last chosen in
                          the window, else the system's); results do not change
  --capture FILE          record every report to and from the unit in FILE, a pcapng capture
                          that Wireshark opens (USB only)

Options:
  -h, --help              show this text (wherever it stands)
  -v, --version           show the version (wherever it stands)
  --                      end the options: every word after it is an argument, even a file
                          named "--x" or "then"

Progress goes to the error stream, results to the output stream.
Exit codes: 0 success, 1 usage error, 2 bad input (argument or file), 3 device failure or
time-out ("Connection Failed!", "Offline", "Device Disconnected!", "Ack Error!"), 4 the output,
a preset file or a capture could not be written ("cannot write output: No space left on device"),
or the token file could not be made or was refused.
)";

// `vortella-cli [DEVICE OPTIONS] eq fit|auto|export ...`: the leading options go after the
// sub-command, where `eq` reads them (and before a "--" that may follow).
std::vector<std::string> eqArguments(const std::vector<std::string>& args, std::size_t command) {
    std::vector<std::string> words(args.begin() + static_cast<std::ptrdiff_t>(command) + 1,
                                   args.end());
    if (words.empty()) return words;
    std::vector<std::string> leading;
    for (std::size_t i = 0; i < command; ++i)
        if (args[i] != vt::cli::kEndOfOptions) leading.push_back(args[i]);
    words.insert(words.begin() + 1, leading.begin(), leading.end());
    return words;
}

int runCli(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << vt::cli::kUsageSynopsis << kUsage;
        return vt::cli::kExitUsage;
    }
    // No argument names a file, a unit or a value with a control character in it: a file name
    // cut short or bent by one would land somewhere the user did not name.
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (const std::string why = vt::presets::controlCharacterProblem(args[i]); !why.empty()) {
            std::cerr << "vortella-cli: argument " << i + 1 << " " << why << "\n";
            return vt::cli::kExitBadInput;
        }
    }
    const vt::app::HelpRequest asked = vt::app::helpRequest(args);
    if (asked == vt::app::HelpRequest::Help || args.front() == "help") {
        std::cout << vt::cli::kUsageSynopsis << kUsage;
        return vt::cli::kExitOk;
    }
    if (asked == vt::app::HelpRequest::Version) {
        std::cout << "vortella-cli " << vt::app::kProgramVersion << "\n";
        return vt::cli::kExitOk;
    }
    // The device options may come before any command that reaches the unit.
    const std::size_t command = vt::cli::commandIndex(args);
    const std::string cmd = command < args.size() ? args[command] : std::string();
    const bool leadingOptions = command > 1 || (command == 1 && args[0] != vt::cli::kEndOfOptions);
    if (cmd == "doctor") return vt::cli::runDoctor(args, std::cout, std::cerr);
    if (cmd == "eq") return vt::cli::runEq(eqArguments(args, command), std::cout, std::cerr);
    if (cmd == "serve") return vt::cli::runServe(args, std::cerr);
    if (cmd == "preset" || cmd == "capture" || cmd == "token" || cmd == "pair") {
        if (leadingOptions) {
            std::cerr << "vortella-cli: " << cmd << " takes no device options\n"
                      << vt::cli::kUsageSynopsis;
            return vt::cli::kExitUsage;
        }
        const std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(command) + 1,
                                            args.end());
        if (cmd == "preset") return vt::cli::runPreset(rest, std::cout, std::cerr);
        if (cmd == "capture") return vt::cli::runCapture(rest, std::cout, std::cerr);
        if (cmd == "pair") return vt::cli::runPair(rest, std::cout, std::cerr);
        return vt::cli::runToken(rest, std::cout, std::cerr);
    }
    if (command > 0 || vt::cli::isDeviceCommandLine(cmd))
        return vt::cli::runDevice(args, std::cout, std::cerr);
    std::cerr << "vortella-cli: unknown command '" << cmd << "'\n" << vt::cli::kUsageSynopsis;
    return vt::cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    vt::cli::CheckedOutput output(std::cout, STDOUT_FILENO);
    const int exitCode = runCli(argc, argv);
    return output.finish(exitCode, std::cerr);
}
