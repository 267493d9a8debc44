// The JSON forms of the unit's settings and of a fitted filter list, one for the command-line
// program's output and the control service's answers alike.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "autoeq/auto_fit.h"
#include "eqfile/channel_fit.h"
#include "model/shadow_images.h"

namespace vt::service {

// {"slots":[[module,slot,value],...]} for every slot of modules 0 to 3 below the module's count.
nlohmann::ordered_json imageJson(const DeviceImage& image);
// Reads such a document back; false (image untouched) when it is not one.
bool imageFromJson(const nlohmann::ordered_json& doc, DeviceImage& image);

// The same form for the slots of `image` that are set (presets::kNotSet elsewhere) among those a
// preset sets (modules 1 to 3, up to the slot past each module's count): what a client writes
// with the whole image.
nlohmann::ordered_json presetSlotsJson(const DeviceImage& image);
// Reads such a document into `image`; false (image untouched) when an entry is not one of them.
bool presetSlotsFromJson(const nlohmann::ordered_json& doc, DeviceImage& image);

// The bands, filters, dropped lines and residual of a fitted filter list.
nlohmann::ordered_json fitJson(const eqfile::ChannelFit& fit);

// The same for an automatic fit, with the target's name ("flat" or its file), the error before and
// after in dB and the time it took in milliseconds.
nlohmann::ordered_json autoFitJson(const autoeq::AutoFit& fit, const std::string& target,
                                   double timeMs);

}  // namespace vt::service
