// The report lengths a HID device declares in its report descriptor: for each report ID the
// bytes of its input and output reports, parsed from the descriptor's items.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>

namespace vt {

struct ReportLengths {
    // True when the descriptor names report IDs; otherwise every report has ID 0.
    bool numbered = false;
    // Report ID -> bytes of that report as hidapi reads and writes it, the report ID byte
    // included (a device without report IDs still takes a leading 0 on write).
    std::map<std::uint8_t, int> input;
    std::map<std::uint8_t, int> output;

    // The length to write a report with ID `reportId`: the report's own length when the device
    // declares it, else the longest output report; nullopt when it declares none.
    std::optional<int> outputLength(std::uint8_t reportId) const;
    // The longest input report, nullopt when the device declares none.
    std::optional<int> longestInput() const;
};

// Walks the descriptor's short and long items. Returns nullopt for a descriptor that ends inside
// an item, sizes a report beyond kMaxReportBytes, or pops more than it pushed.
std::optional<ReportLengths> parseReportDescriptor(std::span<const std::uint8_t> descriptor);

inline constexpr int kMaxReportBytes = 4096;

}  // namespace vt
