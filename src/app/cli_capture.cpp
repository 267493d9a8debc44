// `vortella-cli capture decode FILE [--summary]`: the unit's traffic in a USB capture, decoded.
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_usage.h"
#include "capture/capture_decode.h"

namespace vt::cli {

int runCapture(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    auto usage = [&err](const std::string& why) {
        err << "vortella-cli: capture: " << why << "\n"
            << kUsageSynopsis << "Try 'vortella-cli --help'.\n";
        return kExitUsage;
    };
    if (args.empty() || args.front() != "decode")
        return usage(args.empty() ? "no command given (decode)"
                                  : "unknown command '" + args.front() + "'");
    bool summary = false;
    std::vector<std::string> files;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--summary")
            summary = true;
        else if (args[i].size() > 2 && args[i].rfind("--", 0) == 0)
            return usage("unknown option '" + args[i] + "'");
        else
            files.push_back(args[i]);
    }
    if (files.size() != 1) return usage("'capture decode' takes one FILE");

    const std::string& file = files.front();
    std::string why;
    const auto reader = capture::CaptureReader::open(file, why);
    if (!reader) {
        err << "vortella-cli: capture decode: " << file << ": " << why << "\n";
        return kExitBadInput;
    }
    why = capture::decodeCapture(*reader, out, summary);
    if (!why.empty()) {
        err << "vortella-cli: capture decode: " << file << ": " << why << "\n";
        return kExitBadInput;
    }
    return kExitOk;
}

}  // namespace vt::cli
