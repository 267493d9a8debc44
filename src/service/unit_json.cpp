// The JSON forms of settings and fitted filter lists.
#include "service/unit_json.h"

#include <span>

#include "model/rounding.h"
#include "model/scales.h"
#include "model/slot_map.h"
#include "presets/preset_check.h"

namespace vt::service {

using json = nlohmann::ordered_json;
using namespace vt::eqfile;

json imageJson(const DeviceImage& image) {
    json entries = json::array();
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            entries.push_back({m, s, image.at(m, s)});
    return json{{"slots", std::move(entries)}};
}

namespace {

// Reads the entries of {"slots":[[module,slot,value],...]} into a copy of `image`, each slot one
// that `accepts` and each value 0 to 65535; false (image untouched) at the first that is not.
template <typename Accepts>
bool readSlots(const json& doc, DeviceImage& image, Accepts accepts) {
    if (!doc.is_object() || !doc.contains("slots") || !doc["slots"].is_array()) return false;
    DeviceImage read = image;
    for (const json& e : doc["slots"]) {
        if (!e.is_array() || e.size() != 3) return false;
        for (const json& n : e)
            if (!n.is_number_integer()) return false;
        const long long m = e[0].get<long long>();
        const long long s = e[1].get<long long>();
        const long long v = e[2].get<long long>();
        if (!accepts(m, s) || v < 0 || v > 0xFFFF) return false;
        read.set(static_cast<int>(m), static_cast<int>(s), static_cast<std::int32_t>(v));
    }
    image = read;
    return true;
}

}  // namespace

bool imageFromJson(const json& doc, DeviceImage& image) {
    return readSlots(doc, image, [](long long m, long long s) {
        return m >= 0 && m < kModuleCount && s >= 0 && s < kSlotCount[static_cast<std::size_t>(m)];
    });
}

json presetSlotsJson(const DeviceImage& image) {
    json entries = json::array();
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kDeviceSlots; ++s)
            if (image.at(m, s) != presets::kNotSet && presets::presetSavesSlot(m, s))
                entries.push_back({m, s, image.at(m, s)});
    return json{{"slots", std::move(entries)}};
}

bool presetSlotsFromJson(const json& doc, DeviceImage& image) {
    return readSlots(doc, image,
                     [](long long m, long long s) { return presets::presetSavesSlot(m, s); });
}

namespace {

double tenths(double x) {
    return roundHalfEven(x * 10.0) / 10.0;
}
double thousandths(double x) {
    return roundHalfEven(x * 1000.0) / 1000.0;
}

json filterJson(const std::optional<FittedFilter>& f, int module) {
    if (!f) return nullptr;
    const auto names = module == kMainModule
                           ? std::span<const std::string_view>(items::kMainFilterTypes)
                           : std::span<const std::string_view>(items::kAuxFilterTypes);
    return {{"type", names[static_cast<std::size_t>(f->item)]},
            {"type_index", f->item},
            {"frequency_hz", frequencyValue(f->freqIndex)},
            {"frequency_index", f->freqIndex}};
}

}  // namespace

json fitJson(const ChannelFit& fit) {
    json bands = json::array();
    for (std::size_t b = 0; b < fit.bands.size(); ++b) {
        const FittedBand& band = fit.bands[b];
        bands.push_back({{"band", b + 1},
                         {"type", items::kBandTypes[static_cast<std::size_t>(band.type)]},
                         {"frequency_hz", frequencyValue(band.freqIndex)},
                         {"frequency_index", band.freqIndex},
                         {"gain_db", tenths(gainDb(band.gainStep))},
                         {"gain_value", band.gainStep},
                         {"q", qValue(band.qIndex)},
                         {"q_index", band.qIndex},
                         {"bypass", band.bypass}});
    }
    json dropped = json::array();
    for (const auto& d : fit.dropped)
        dropped.push_back({{"line", d.line}, {"text", d.text}, {"reason", d.reason}});
    json doc = {{"channel", fit.module == kMainModule ? "main" : "aux"},
                {"bands", std::move(bands)},
                {"high_pass", filterJson(fit.highPass, fit.module)},
                {"low_pass", filterJson(fit.lowPass, fit.module)},
                {"dropped", std::move(dropped)},
                {"max_residual_db", thousandths(fit.residual.maxAbsDb)},
                {"rms_residual_db", thousandths(fit.residual.rmsDb)}};
    return doc;
}

json autoFitJson(const autoeq::AutoFit& fit, const std::string& target, double timeMs) {
    json doc = fitJson(fit.fit);
    doc["target"] = target;
    doc["rms_before_db"] = thousandths(fit.figures.rmsBeforeDb);
    doc["rms_after_db"] = thousandths(fit.figures.rmsAfterDb);
    doc["max_after_db"] = thousandths(fit.figures.maxAfterDb);
    doc["time_ms"] = static_cast<long long>(roundHalfEven(timeMs));
    return doc;
}

}  // namespace vt::service
