// Reading and checking the JSON input of `preset make`.
#include "app/preset_json.h"

#include <climits>
#include <nlohmann/json.hpp>
#include <optional>

#include "presets/preset_codec.h"

namespace vt::cli {
namespace {

using json = nlohmann::json;

// A JSON integer of any sign and size, as long long when it fits.
std::optional<long long> integer(const json& v) {
    if (v.is_number_unsigned()) {
        const auto u = v.get<unsigned long long>();
        if (u > static_cast<unsigned long long>(LLONG_MAX)) return std::nullopt;
        return static_cast<long long>(u);
    }
    if (v.is_number_integer()) return v.get<long long>();
    return std::nullopt;
}

std::string entryName(std::size_t i) {
    return "slots[" + std::to_string(i) + "]";
}

std::string readVariant(const json& doc, int& variant) {
    variant = 0;
    if (!doc.contains("variant")) return {};
    const auto v = integer(doc["variant"]);
    if (!v || (*v != 0 && *v != 1)) return "\"variant\" must be 0 or 1";
    variant = static_cast<int>(*v);
    return {};
}

std::string readEntry(std::size_t i, const json& e, DeviceImage& image) {
    std::optional<long long> m, s, v;
    if (e.is_array() && e.size() == 3) {
        m = integer(e[0]);
        s = integer(e[1]);
        v = integer(e[2]);
    }
    if (!m || !s || !v) return entryName(i) + " is not [module, slot, value] of whole numbers";
    // Three integers: short enough to quote.
    const std::string entry = entryName(i) + " " + e.dump();
    if (!presets::presetSavesSlot(*m, *s))
        return entry + ": a preset saves only modules 1 to 3, slots 0 to 65, 0 to 67 and 0 to 1";
    if (!presets::presetValueFits(*v)) return entry + ": value outside 0 to 65535";
    image.set(static_cast<int>(*m), static_cast<int>(*s), static_cast<std::int32_t>(*v));
    return {};
}

}  // namespace

std::string presetFromJson(std::string_view text, PresetRequest& out) {
    json doc;
    try {
        doc = json::parse(text.begin(), text.end());
    } catch (const json::exception& e) {
        return std::string("malformed JSON: ") + e.what();
    }
    if (!doc.is_object()) return "expected a JSON object with \"variant\" and \"slots\"";
    if (std::string problem = readVariant(doc, out.variant); !problem.empty()) return problem;
    if (!doc.contains("slots")) return {};
    const json& slots = doc["slots"];
    if (!slots.is_array()) return "\"slots\" must be an array of [module, slot, value]";
    for (std::size_t i = 0; i < slots.size(); ++i)
        if (std::string problem = readEntry(i, slots[i], out.image); !problem.empty())
            return problem;
    return {};
}

}  // namespace vt::cli
