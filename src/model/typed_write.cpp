// Checks of a typed parameter write.
#include "model/typed_write.h"

#include <charconv>
#include <cstdio>
#include <limits>

#include "model/modules.h"

namespace vt {
namespace {

constexpr long long kLargestValue = 0xFFFF;

// Why `address` cannot be set, or an empty string.
std::string addressProblem(long long address, std::string_view typed) {
    if (address > 0xFFFF) return "address " + std::string(typed) + " is above 0xFFFF";
    const int a = static_cast<int>(address);
    if (a == slot_ids::kSysStore)
        return "address " + hex4(a) + " is the store command: use 'store'";
    if (a == slot_ids::kSysRecall)
        return "address " + hex4(a) + " is the restore command: use 'restore' or 'factory'";
    const int module = moduleOf(a);
    if (module >= kModuleCount)
        return "address " + hex4(a) + " names module " + std::to_string(module) +
               "; the unit has modules 0 to 3";
    const int slots = kSlotCount[static_cast<std::size_t>(module)];
    if (slotOf(a) >= slots)
        return "address " + hex4(a) + " names slot " + std::to_string(slotOf(a)) + " of module " +
               std::to_string(module) + ", which has slots 0 to " + std::to_string(slots - 1);
    return {};
}

}  // namespace

std::optional<long long> parseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.front() == '-' || text.front() == '+') return std::nullopt;
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (end != text.data() + text.size()) return std::nullopt;
    if (error == std::errc::result_out_of_range) return std::numeric_limits<long long>::max();
    if (error != std::errc()) return std::nullopt;
    return value;
}

std::string hex4(int address) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(address) & 0xFFFFu);
    return text;
}

TypedWrite readTypedWrite(std::string_view addressText, std::string_view valueText) {
    TypedWrite w;
    const auto address = parseNumber(addressText);
    if (!address) {
        w.problem = "set: address '" + std::string(addressText) +
                    "' is not a number (decimal or 0x-hexadecimal)";
        return w;
    }
    if (std::string why = addressProblem(*address, addressText); !why.empty()) {
        w.problem = "set: " + why;
        return w;
    }
    const auto value = parseNumber(valueText);
    if (!value) {
        w.problem = "set: value '" + std::string(valueText) +
                    "' is not a number (decimal or 0x-hexadecimal)";
        return w;
    }
    if (*value > kLargestValue) {
        w.problem = "set: value " + std::string(valueText) + " is out of range (0 to 65535)";
        return w;
    }
    w.address = static_cast<int>(*address);
    w.value = static_cast<int>(*value);
    return w;
}

}  // namespace vt
