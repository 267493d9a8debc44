// The simulated unit's factory settings: a plausible, varied set (bands at different frequencies
// and gains, a compressor curve, output delays, a non-default input source), so that connecting
// visibly changes the window.
#pragma once

#include "model/shadow_images.h"

namespace vt::sim {

DeviceImage factoryImage();

}  // namespace vt::sim
