// Item walk of a HID report descriptor: global report size, count and ID (with push and pop),
// and the input and output main items that add their bits to the current report.
#include "link/report_descriptor.h"

#include <algorithm>
#include <vector>

namespace vt {

namespace {

enum ItemType : std::uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : std::uint8_t { kInput = 0x8, kOutput = 0x9 };
enum GlobalTag : std::uint8_t {
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};

constexpr std::uint8_t kLongItemPrefix = 0xFE;
constexpr std::int64_t kMaxReportBits = std::int64_t{kMaxReportBytes} * 8;
constexpr std::size_t kMaxPushDepth = 16;

struct Globals {
    std::uint32_t reportSize = 0;
    std::uint32_t reportCount = 0;
    std::uint8_t reportId = 0;
};

std::uint32_t itemData(std::span<const std::uint8_t> data) {
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < data.size(); ++i) v |= std::uint32_t{data[i]} << (8 * i);
    return v;
}

int bytesWithId(std::int64_t bits) {
    return static_cast<int>((bits + 7) / 8) + 1;
}

}  // namespace

std::optional<int> ReportLengths::outputLength(std::uint8_t reportId) const {
    const auto own = output.find(numbered ? reportId : 0);
    if (own != output.end()) return own->second;
    if (output.empty()) return std::nullopt;
    return std::max_element(output.begin(), output.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->second;
}

std::optional<int> ReportLengths::longestInput() const {
    if (input.empty()) return std::nullopt;
    return std::max_element(input.begin(), input.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->second;
}

std::optional<ReportLengths> parseReportDescriptor(std::span<const std::uint8_t> descriptor) {
    Globals g;
    std::vector<Globals> stack;
    std::map<std::uint8_t, std::int64_t> inputBits;
    std::map<std::uint8_t, std::int64_t> outputBits;
    bool numbered = false;

    std::size_t i = 0;
    while (i < descriptor.size()) {
        const std::uint8_t prefix = descriptor[i];
        if (prefix == kLongItemPrefix) {
            // Long item: size byte, tag byte, then the data; nothing here uses them.
            if (i + 2 >= descriptor.size()) return std::nullopt;
            const std::size_t next = i + 3 + descriptor[i + 1];
            if (next > descriptor.size()) return std::nullopt;
            i = next;
            continue;
        }
        const std::size_t size = (prefix & 0x3) == 3 ? 4 : (prefix & 0x3);
        if (i + 1 + size > descriptor.size()) return std::nullopt;
        const std::uint32_t value = itemData(descriptor.subspan(i + 1, size));
        const auto type = static_cast<std::uint8_t>((prefix >> 2) & 0x3);
        const auto tag = static_cast<std::uint8_t>(prefix >> 4);
        i += 1 + size;

        if (type == kGlobal) {
            switch (tag) {
                case kReportSize:
                    g.reportSize = value;
                    break;
                case kReportCount:
                    g.reportCount = value;
                    break;
                case kReportId:
                    g.reportId = static_cast<std::uint8_t>(value);
                    numbered = true;
                    break;
                case kPush:
                    if (stack.size() >= kMaxPushDepth) return std::nullopt;
                    stack.push_back(g);
                    break;
                case kPop:
                    if (stack.empty()) return std::nullopt;
                    g = stack.back();
                    stack.pop_back();
                    break;
                default:
                    break;
            }
        } else if (type == kMain && (tag == kInput || tag == kOutput)) {
            if (g.reportSize > kMaxReportBits || g.reportCount > kMaxReportBits)
                return std::nullopt;
            auto& bits = (tag == kInput ? inputBits : outputBits)[g.reportId];
            bits += std::int64_t{g.reportSize} * g.reportCount;
            if (bits > kMaxReportBits) return std::nullopt;
        }
    }

    ReportLengths out;
    out.numbered = numbered;
    for (const auto& [id, bits] : inputBits) out.input[id] = bytesWithId(bits);
    for (const auto& [id, bits] : outputBits) out.output[id] = bytesWithId(bits);
    return out;
}

}  // namespace vt
