// A link host that records everything the link asks of the windows, with the virtual time of each
// message when a clock is attached.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "link/link_host.h"

namespace vt::test {

struct RecordingHost : LinkHost {
    struct ShownMessage {
        std::string text;
        std::string caption;
        std::chrono::milliseconds at{0};
    };

    std::vector<LinkLabel> labels;
    std::vector<StatusDialog> dialogs;
    std::vector<ShownMessage> messages;
    int imageApplications = 0;
    int imageReads = 0;  // reads of the whole image completed
    std::vector<std::pair<Meter, int>> meters;
    std::vector<int> volumes;
    std::vector<std::string> memo;
    std::vector<std::string> history;
    std::size_t historyDropped = 0;
    std::string reportId;
    std::function<std::chrono::milliseconds()> now = [] { return std::chrono::milliseconds(0); };
    std::function<void()> onApply;
    std::function<void()> whileShowing;  // runs inside a message box, as its event loop would

    void linkLabelChanged(const LinkLabel& l) override { labels.push_back(l); }
    void statusDialogChanged(const StatusDialog& d) override { dialogs.push_back(d); }
    void showMessage(std::string_view text, std::string_view caption) override {
        messages.push_back({std::string(text), std::string(caption), now()});
        if (whileShowing) whileShowing();
    }
    void applyDeviceImage() override {
        ++imageApplications;
        if (onApply) onApply();
    }
    void unitImageRead() override { ++imageReads; }
    void setLevelMeter(Meter m, int v) override { meters.emplace_back(m, v); }
    void setMasterVolumeBar(int p) override { volumes.push_back(p); }
    void addMemoLine(const std::string& line) override { memo.push_back(line); }
    void historyLineAdded(const std::string& line, std::size_t dropped) override {
        history.push_back(line);
        historyDropped += dropped;
    }
    void showReportId(const std::string& text) override { reportId = text; }

    std::vector<std::string> messageTexts() const {
        std::vector<std::string> out;
        for (const auto& m : messages) out.push_back(m.text);
        return out;
    }
};

}  // namespace vt::test
