// Test doubles for the frame layer: a transport that records writes and a host that records lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/frames.h"

namespace vt::test {

struct RecordingTransport : Transport {
    TransportKind form = TransportKind::UsbHid;
    bool open = true;
    int reportLength = 65;
    bool refuse = false;
    std::vector<std::vector<std::uint8_t>> writes;

    TransportKind kind() const override { return form; }
    bool isOpen() const override { return open; }
    int outputReportLength(std::uint8_t) const override { return reportLength; }
    WriteResult write(std::span<const std::uint8_t> bytes) override {
        if (refuse) return {false, 0x1F, "A device attached to the system is not functioning."};
        writes.emplace_back(bytes.begin(), bytes.end());
        return {};
    }
};

struct RecordingFrameHost : FrameHost {
    std::vector<std::string> history;
    std::string reportId;
    void addToHistory(const std::string& line) override { history.push_back(line); }
    void showReportId(const std::string& text) override { reportId = text; }
};

}  // namespace vt::test
