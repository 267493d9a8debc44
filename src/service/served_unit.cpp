// Naming the served unit and matching it with a request.
#include "service/served_unit.h"

#include "devices/simulated_device.h"

namespace vt::service {

std::string servedUnitName(const DeviceListing& listing, const devices::HubOptions& options) {
    if (options.transport == TransportKind::Uart)
        return (options.devicePath.isEmpty() ? options.port : options.devicePath).toStdString();
    if (listing.unit < 0) return {};
    const std::string& path = listing.devices[static_cast<std::size_t>(listing.unit)].path;
    return path == devices::kSimulatedPath ? "simulated" : path;
}

bool servesUnit(const Json& status, bool simulate, const std::string& device) {
    const std::string unit = status.value("unit", std::string());
    if (simulate) return unit == "simulated";
    if (unit == "simulated") return false;
    if (!device.empty()) return unit.empty() || unit == device;
    return true;
}

}  // namespace vt::service
