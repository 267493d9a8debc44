// Fuzz target: any byte string read as a HID report descriptor parses or is refused, and every
// length it yields is one a report can have.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "link/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto r = vt::parseReportDescriptor(std::span<const std::uint8_t>(data, size));
    if (!r) return 0;
    auto sane = [](int length) { return length >= 1 && length <= vt::kMaxReportBytes + 1; };
    for (const auto* lengths : {&r->input, &r->output})
        for (const auto& [id, length] : *lengths)
            if (!sane(length) || (!r->numbered && id != 0)) std::abort();
    for (int id = 0; id < 256; ++id) {
        const auto length = r->outputLength(static_cast<std::uint8_t>(id));
        if (length && !sane(*length)) std::abort();
    }
    return 0;
}
