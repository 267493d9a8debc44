// `vortella-cli preset`: show a preset file as JSON, make a preset file from JSON.
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "app/cli_commands.h"
#include "presets/preset_file.h"

namespace vt::cli {
namespace {

using json = nlohmann::ordered_json;
using namespace vt::presets;

int show(const std::string& path, std::ostream& out, std::ostream& err) {
    const LoadOutcome loaded = loadPresetFile(path, 0);
    const DecodedPreset& p = loaded.preset;
    if (loaded.opened && p.status != LoadStatus::FormatError && !p.data.empty()) {
        json slots = json::array();
        for (const auto& d : p.data) slots.push_back({d.module, d.slot, d.value});
        json doc = {{"model", p.model},
                    {"variant", p.variant},
                    {"verified", p.verified},
                    {"lines", p.plainLines.size()},
                    {"slots", std::move(slots)}};
        out << doc.dump() << "\n";
    }
    if (!loaded.message.empty()) {
        err << loaded.message << "\n";
        return kExitBadInput;
    }
    return kExitOk;
}

// Reads {"variant": 0|1, "slots": [[module, slot, value], ...]} into a device image.
bool imageFromJson(const json& doc, DeviceImage& image, int& variant, std::string& problem) {
    if (!doc.is_object()) {
        problem = "expected a JSON object with \"variant\" and \"slots\"";
        return false;
    }
    variant = 0;
    if (doc.contains("variant")) {
        const auto& v = doc["variant"];
        if (!v.is_number_integer() || (v.get<long long>() != 0 && v.get<long long>() != 1)) {
            problem = "\"variant\" must be 0 or 1";
            return false;
        }
        variant = v.get<int>();
    }
    if (!doc.contains("slots")) return true;
    const auto& slots = doc["slots"];
    if (!slots.is_array()) {
        problem = "\"slots\" must be an array of [module, slot, value]";
        return false;
    }
    for (std::size_t i = 0; i < slots.size(); ++i) {
        const auto& e = slots[i];
        const bool ok = e.is_array() && e.size() == 3 && e[0].is_number_integer() &&
                        e[1].is_number_integer() && e[2].is_number_integer();
        if (!ok) {
            problem = "slots[" + std::to_string(i) + "] is not [module, slot, value] of integers";
            return false;
        }
        const long long m = e[0].get<long long>();
        const long long s = e[1].get<long long>();
        const long long v = e[2].get<long long>();
        if (!DeviceImage::contains(static_cast<int>(m), static_cast<int>(s)) ||
            m != static_cast<int>(m) || s != static_cast<int>(s)) {
            problem = "slots[" + std::to_string(i) + "]: no slot " + std::to_string(m) + "/" +
                      std::to_string(s) + " in the device image";
            return false;
        }
        if (v < INT32_MIN || v > INT32_MAX) {
            problem = "slots[" + std::to_string(i) + "]: value out of range";
            return false;
        }
        image.set(static_cast<int>(m), static_cast<int>(s), static_cast<std::int32_t>(v));
    }
    return true;
}

int make(const std::string& jsonPath, const std::string& outPath, std::ostream& out,
         std::ostream& err) {
    const auto text = readPresetFile(jsonPath);
    if (!text) {
        err << "cannot read " << jsonPath << "\n";
        return kExitBadInput;
    }
    json doc;
    try {
        doc = json::parse(*text);
    } catch (const json::parse_error& e) {
        err << jsonPath << ": malformed JSON: " << e.what() << "\n";
        return kExitBadInput;
    }
    DeviceImage image;
    int variant = 0;
    std::string problem;
    if (!imageFromJson(doc, image, variant, problem)) {
        err << jsonPath << ": " << problem << "\n";
        return kExitBadInput;
    }
    const std::string target = forcePresetExtension(outPath);
    const std::string failure =
        writeFileAtomically(target, presetFileText(savePresetLines(image, variant)));
    if (!failure.empty()) {
        err << failure << "\n";
        return kExitBadInput;
    }
    out << target << "\n";
    return kExitOk;
}

}  // namespace

int runPreset(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() == 2 && args[0] == "show") return show(args[1], out, err);
    if (args.size() == 3 && args[0] == "make") return make(args[1], args[2], out, err);
    err << "usage: vortella-cli preset show FILE | preset make JSON OUT\n";
    return kExitUsage;
}

}  // namespace vt::cli
