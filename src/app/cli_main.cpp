// Entry point of vortella-cli, the command-line companion: presets and scripted device access.
#include <iostream>
#include <string>
#include <vector>

#include "app/cli_commands.h"

namespace {

constexpr const char* kUsage = R"(Usage: vortella-cli COMMAND [ARGS]

Preset files (.Nddt):
  preset show FILE        print the preset as JSON: model, variant, verified, lines, slots
  preset make JSON OUT    write the preset file for the device image given as JSON
                          ({"variant":0,"slots":[[module,slot,value],...]}; missing slots are 0)

Options:
  --help                  show this text
  --version               show the version

Exit codes: 0 success, 1 usage error, 2 bad input file, 3 device failure.
)";

}  // namespace

int main(int argc, char** argv) {
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
    std::cerr << "vortella-cli: unknown command '" << cmd << "'\n\n" << kUsage;
    return vt::cli::kExitUsage;
}
