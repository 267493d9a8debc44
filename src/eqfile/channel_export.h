// Writing a channel's bands and filters as an equaliser configuration text that reads back into
// the same bands.
#pragma once

#include <string>

#include "model/shadow_images.h"

namespace vt::eqfile {

// The bands and filters of channel `module` (1 or 2) held in `image`, one Filter line each.
std::string exportChannel(const DeviceImage& image, int module);

}  // namespace vt::eqfile
