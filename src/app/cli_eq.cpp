// `vortella-cli eq fit FILE`, `eq auto MEASUREMENT` and `eq export`: filter lists in text fitted
// to a channel of the unit, bands found for a measured response (both written to the unit with
// --apply), and a channel's bands written out as such a list.
#include <chrono>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "autoeq/auto_fit.h"
#include "eqfile/channel_export.h"
#include "eqfile/channel_fit.h"
#include "eqfile/filter_list_file.h"
#include "model/number_text.h"
#include "presets/preset_file.h"
#include "service/unit_json.h"

namespace vt::cli {
namespace {

using json = nlohmann::ordered_json;
using namespace vt::eqfile;

enum class EqVerb { Fit, Auto, Export };

struct EqRequest {
    EqVerb verb = EqVerb::Fit;
    std::string file;
    std::string target;  // eq auto: a target file, or empty for flat
    std::string preset;
    int module = kMainModule;
    SourceChannel source = SourceChannel::Left;
    bool apply = false;
    std::vector<std::string> deviceOptions;  // passed on to the device commands
};

int usage(std::ostream& err, const std::string& why) {
    err << "vortella-cli: " << why << "\n"
        << "usage: vortella-cli eq fit FILE [--channel main|aux] [--source-channel L|R]\n"
        << "                               [--apply [DEVICE OPTIONS]]\n"
        << "       vortella-cli eq auto MEASUREMENT [--target FILE|flat] [--channel main|aux]\n"
        << "                               [--apply [DEVICE OPTIONS]]\n"
        << "       vortella-cli eq export [--preset FILE] [--channel main|aux] [DEVICE OPTIONS]\n";
    return kExitUsage;
}

// Reads the words after "fit", "auto" or "export"; returns an exit code, or -1 when the line is
// good.
// Kept out of line: inlined into runEq, GCC 12 takes the request's vector for a stack object
// (a false -Wfree-nonheap-object).
[[gnu::noinline]] int readRequest(const std::vector<std::string>& args, EqRequest& r,
                                  std::ostream& err) {
    const bool fit = r.verb == EqVerb::Fit;
    const bool writes = r.verb != EqVerb::Export;  // the verbs that can --apply
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string word = args[i];
        if (!optionsEnded && word == kEndOfOptions) {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || !isOptionWord(word)) {
            positional.push_back(word);
            continue;
        }
        std::string value;
        const bool hasValue = word.find('=') != std::string::npos;
        if (hasValue) {
            value = word.substr(word.find('=') + 1);
            word = word.substr(0, word.find('='));
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (word == "--channel") {
            if (!takeValue()) return usage(err, "--channel needs main or aux");
            if (value != "main" && value != "aux")
                return usage(err, "--channel takes main or aux, not '" + value + "'");
            r.module = value == "main" ? kMainModule : kAuxModule;
        } else if (word == "--source-channel" && fit) {
            if (!takeValue()) return usage(err, "--source-channel needs L or R");
            if (value != "L" && value != "R" && value != "l" && value != "r")
                return usage(err, "--source-channel takes L or R, not '" + value + "'");
            r.source = value == "L" || value == "l" ? SourceChannel::Left : SourceChannel::Right;
        } else if (word == "--target" && r.verb == EqVerb::Auto) {
            if (!takeValue()) return usage(err, "--target needs a file or flat");
            r.target = value == "flat" ? std::string() : value;
        } else if (word == "--apply" && writes) {
            r.apply = true;
        } else if (word == "--preset" && !writes) {
            if (!takeValue()) return usage(err, "--preset needs a file");
            r.preset = value;
        } else if (word == "--simulate") {
            r.deviceOptions.push_back(word);
        } else if (optionTakesValue(word)) {
            if (!takeValue()) return usage(err, word + " needs a value");
            r.deviceOptions.push_back(word + "=" + value);
        } else {
            return usage(err, "unknown option '" + word + "'");
        }
    }
    if (fit && positional.size() != 1) return usage(err, "eq fit takes one FILE");
    if (r.verb == EqVerb::Auto && positional.size() != 1)
        return usage(err, "eq auto takes one MEASUREMENT");
    if (!writes && !positional.empty()) return usage(err, "eq export takes no FILE; use --preset");
    if (writes) r.file = positional.front();
    if (!r.deviceOptions.empty() && ((writes && !r.apply) || (!writes && !r.preset.empty())))
        return usage(err, "device options are for a command that reaches the unit");
    return -1;
}

int applyFit(const ChannelFit& fit, const EqRequest& r, std::ostream& out, std::ostream& err);

int fitCommand(const EqRequest& r, std::ostream& out, std::ostream& err) {
    const FilterListLoad load = loadFilterList(r.file, r.source);
    if (!load.file) {
        for (const auto& p : load.problems)
            err << r.file << ":" << p.line << ": " << p.reason << ": " << p.text << "\n";
        err << r.file << ": " << load.message << "\n";
        return kExitBadInput;
    }
    const FilterFile& file = *load.file;
    const ChannelFit fit = fitChannel(file, r.module);
    out << service::fitJson(fit).dump() << "\n" << std::flush;
    if (fit.preampDb)
        err << r.file << ":" << fit.preampLine << ": preamp of " << formatFixed(*fit.preampDb, 1)
            << " dB not applied\n";
    return r.apply ? applyFit(fit, r, out, err) : kExitOk;
}

// A response file read, or its problem told on the error stream.
std::optional<std::vector<autoeq::ResponsePoint>> readResponseFile(const std::string& path,
                                                                   std::size_t fewest,
                                                                   std::ostream& err) {
    autoeq::ResponseRead read = autoeq::loadResponse(path, fewest);
    if (read.problem.empty()) return std::move(read.points);
    err << path << (read.line > 0 ? ":" + std::to_string(read.line) : std::string()) << ": "
        << read.problem << "\n";
    return std::nullopt;
}

int autoCommand(const EqRequest& r, std::ostream& out, std::ostream& err) {
    const auto measurement = readResponseFile(r.file, autoeq::kFewestMeasurementPoints, err);
    if (!measurement) return kExitBadInput;
    std::vector<autoeq::ResponsePoint> target;
    if (!r.target.empty()) {
        auto read = readResponseFile(r.target, autoeq::kFewestTargetPoints, err);
        if (!read) return kExitBadInput;
        target = std::move(*read);
    }
    const auto start = std::chrono::steady_clock::now();
    const autoeq::AutoFit found =
        autoeq::autoFit(autoeq::correctionOf(*measurement, target), r.module);
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    out << service::autoFitJson(found, r.target.empty() ? "flat" : r.target, took.count()).dump()
        << "\n"
        << std::flush;
    return r.apply ? applyFit(found.fit, r, out, err) : kExitOk;
}

int applyFit(const ChannelFit& fit, const EqRequest& r, std::ostream& out, std::ostream& err) {
    // All writes on one connection, each waiting for the unit's answer.
    std::vector<std::string> line = r.deviceOptions;
    for (const auto& w : fitWrites(fit)) {
        if (line.size() > r.deviceOptions.size()) line.push_back("then");
        line.insert(line.end(), {"set", std::to_string(w.address), std::to_string(w.value)});
    }
    return runDevice(line, out, err);
}

int exportCommand(const EqRequest& r, std::ostream& out, std::ostream& err) {
    DeviceImage image;
    if (!r.preset.empty()) {
        const presets::LoadOutcome loaded = presets::loadPresetFile(r.preset, 0);
        if (!loaded.message.empty()) {
            err << r.preset << ": " << loaded.message << "\n";
            return kExitBadInput;
        }
        presets::applyPreset(loaded.preset, loaded.preset.variant, image);
    } else {
        std::vector<std::string> line = r.deviceOptions;
        line.push_back("dump");
        std::ostringstream dumped;  // the image is taken from the program, not its text
        if (const int code = runDevice(line, dumped, err, &image); code != kExitOk) return code;
    }
    out << exportChannel(image, r.module);
    return kExitOk;
}

}  // namespace

int runEq(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const std::string verb = args.empty() ? std::string() : args[0];
    if (verb != "fit" && verb != "auto" && verb != "export")
        return usage(err, "eq takes fit, auto or export");
    EqRequest request;
    request.verb = verb == "fit" ? EqVerb::Fit : verb == "auto" ? EqVerb::Auto : EqVerb::Export;
    if (const int code = readRequest(args, request, err); code >= 0) return code;
    switch (request.verb) {
        case EqVerb::Fit:
            return fitCommand(request, out, err);
        case EqVerb::Auto:
            return autoCommand(request, out, err);
        case EqVerb::Export:
            break;
    }
    return exportCommand(request, out, err);
}

}  // namespace vt::cli
