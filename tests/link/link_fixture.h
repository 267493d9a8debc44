// Fixtures for link tests: a link on stub timers and a recording transport (for single calls),
// and a link on a virtual clock against the simulated unit (for whole exchanges).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "link/link.h"
#include "link/recording_host.h"
#include "link/recording_transport.h"
#include "sim/virtual_rig.h"

namespace vt::test {

struct StubTimer : TimerControl {
    bool active = false;
    void start() override { active = true; }
    void stop() override { active = false; }
    bool isActive() const override { return active; }
};

// A link whose timers nobody fires: for the parser and the status routine.
class LinkOnStubs : public ::testing::Test {
  protected:
    LinkOnStubs() { link.setTransport(&transport); }
    RecordingHost host;
    ParameterModel model;
    StubTimer hold, connect, transfer;
    RecordingTransport transport;
    Link link{model, host, LinkTimers{hold, connect, transfer}};
};

// A link against the simulated unit on a virtual clock.
class LinkOnRig : public ::testing::Test {
  protected:
    using ms = std::chrono::milliseconds;
    using Heard = sim::SimulatedUnit::Heard;
    using Kind = sim::UnitRequest::Kind;

    explicit LinkOnRig(TransportKind form = TransportKind::UsbHid) : rig(host, form) {
        host.now = [this] { return rig.clock.now(); };
    }

    std::vector<Heard> heard(Kind kind, std::uint8_t command, std::uint16_t address) const {
        std::vector<Heard> out;
        for (const auto& h : rig.unit.heard())
            if (h.kind == kind && h.command == command && h.address == address) out.push_back(h);
        return out;
    }
    std::vector<std::uint16_t> readRequests() const {
        std::vector<std::uint16_t> v;
        for (const auto& h : heard(Kind::Command, 0xA0, 0x0039)) v.push_back(h.value);
        return v;
    }
    std::vector<ms> signTimes(std::uint16_t code) const {
        std::vector<ms> t;
        for (const auto& h : heard(Kind::Command, 0xA7, 0x003A))
            if (h.value == code) t.push_back(h.at);
        return t;
    }
    std::vector<Heard> writesTo(std::uint16_t address) const {
        return heard(Kind::Command, 0xA7, address);
    }
    bool runUntil(const std::function<bool()>& done, ms limit = std::chrono::seconds(10)) {
        return rig.clock.runUntil(done, limit);
    }
    // Runs until the last answer has been delivered and the answer flag is up.
    bool runUntilAnswered() {
        return runUntil(
            [this] { return rig.link.sendState().answerFlag == 1 && !rig.unit.hasAnswer(); });
    }
    std::vector<int> visiblePercents() const {
        std::vector<int> p;
        for (const auto& d : host.dialogs)
            if (d.visible && (p.empty() || p.back() != d.percent)) p.push_back(d.percent);
        return p;
    }

    RecordingHost host;
    sim::VirtualRig rig;
};

}  // namespace vt::test
