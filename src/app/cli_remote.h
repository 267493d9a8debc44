// The device commands carried out through the owner of the unit, when a program serves the
// control service for it: the same output and exit codes as on a link of the command line's own.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "app/cli_arguments.h"
#include "model/shadow_images.h"

namespace vt::cli {

// nullopt when no owner serves the unit the request names (the command line connects itself);
// else the exit code of the commands run through the owner.
std::optional<int> runThroughOwner(const DeviceRequest& request, std::ostream& out,
                                   std::ostream& err, DeviceImage* image);

// When a request without --simulate found no unit: the line that says a program serves the
// simulated unit and that --simulate reaches it, or empty when no owner serves it.
std::string simulatedOwnerNote();

}  // namespace vt::cli
