// Fuzz target: one MQTT command payload, read for every entity as the bridge reads it. Nothing
// throws; a payload that is read gives a device value within the entity's range, and a refused
// one gives one line that says why.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "service/mqtt_entities.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vt::service::mqtt;
    const std::string_view payload(reinterpret_cast<const char*>(data), size);
    for (const Entity& e : entities()) {
        const Command c = parseCommand(e, payload);
        if (c.value) {
            if (*c.value < 0 || *c.value > e.deviceMax) std::abort();
        } else if (c.problem.empty() || c.problem.find('\n') != std::string::npos) {
            std::abort();
        }
    }
    return 0;
}
