// `vortella-cli preset`: show a preset file as JSON, make a preset file from JSON.
#include <unistd.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <ostream>

#include "app/cli_arguments.h"
#include "app/cli_commands.h"
#include "app/cli_output.h"
#include "app/preset_json.h"
#include "presets/preset_file.h"

namespace vt::cli {
namespace {

using json = nlohmann::ordered_json;
using namespace vt::presets;

int show(const std::string& path, std::ostream& out, std::ostream& err) {
    const LoadOutcome loaded = loadPresetFile(path, 0);
    const DecodedPreset& p = loaded.preset;
    // Whatever the file's text, the output is valid JSON: bytes that are not UTF-8 are replaced.
    if (loaded.opened && p.status != LoadStatus::FormatError) {
        json slots = json::array();
        for (const auto& d : p.data) slots.push_back({d.module, d.slot, d.value});
        json doc = {{"model", p.model},
                    {"variant", p.variant},
                    {"verified", p.verified},
                    {"lines", p.plainLines.size()},
                    {"slots", std::move(slots)}};
        out << doc.dump(-1, ' ', false, json::error_handler_t::replace) << "\n";
    }
    if (!loaded.message.empty()) {
        err << loaded.message << "\n";
        return kExitBadInput;
    }
    return kExitOk;
}

std::string readProblemText(ReadProblem problem) {
    switch (problem) {
        case ReadProblem::NotAFile:
            return "not a regular file";
        case ReadProblem::Folder:
            return "a folder, not a file";
        case ReadProblem::TooLarge:
            return "larger than " + std::to_string(presets::kMaxPresetFileBytes >> 20) + " MiB";
        default:
            return "no such file or no access";
    }
}

int make(const std::string& jsonPath, const std::string& outPath, std::ostream& out,
         std::ostream& err) {
    const FileText file =
        jsonPath == "-" ? readBoundedFd(STDIN_FILENO, 0) : readBoundedFile(jsonPath);
    if (file.problem != ReadProblem::None) {
        err << "cannot read " << jsonPath << ": " << readProblemText(file.problem) << "\n";
        return kExitBadInput;
    }
    PresetRequest request;
    if (const std::string problem = presetFromJson(file.text, request); !problem.empty()) {
        err << jsonPath << ": " << problem << "\n";
        return kExitBadInput;
    }
    const std::string failure = writePresetOutput(
        outPath, presetFileText(savePresetLines(request.image, request.variant)), out);
    if (!failure.empty()) {
        err << failure << "\n";
        return kExitOutput;
    }
    return kExitOk;
}

}  // namespace

int runPreset(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    // preset takes no options: a "--" after the sub-command only lets a file be named "--x".
    std::vector<std::string> args = words;
    if (args.size() > 1)
        if (const auto end = std::find(args.begin() + 1, args.end(), kEndOfOptions);
            end != args.end())
            args.erase(end);
    if (args.size() == 2 && args[0] == "show") return show(args[1], out, err);
    if (args.size() == 3 && args[0] == "make") return make(args[1], args[2], out, err);
    err << "usage: vortella-cli preset show FILE | preset make JSON OUT\n";
    return kExitUsage;
}

}  // namespace vt::cli
