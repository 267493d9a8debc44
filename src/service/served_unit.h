// Which unit an owner serves: what the control service's `status` says of it, and whether that
// is the unit another program was asked to use (the simulated one, a named node, or any real one).
#pragma once

#include <string>

#include "devices/device_hub.h"
#include "service/rpc_protocol.h"

namespace vt::service {

// The unit's node, "simulated", or empty while no unit is selected.
std::string servedUnitName(const DeviceListing& listing, const devices::HubOptions& options);

// Whether the owner whose status this is serves the unit asked for: with `simulate` the
// simulated unit, with `device` that node (or a unit not yet found), else any real unit.
bool servesUnit(const Json& status, bool simulate, const std::string& device);

}  // namespace vt::service
