// A link and a simulated unit on one virtual clock: the link's timers tick on it and the unit's
// answers arrive on it after their latency. For tests and benchmarks of whole exchanges.
#pragma once

#include <chrono>
#include <cstdint>
#include <vector>

#include "link/link.h"
#include "model/parameter_model.h"
#include "sim/simulated_unit.h"
#include "sim/virtual_clock.h"

namespace vt::sim {

// The link's transport onto the simulated unit: a write reaches the unit at once; each answer
// is delivered to the link when it falls due on the clock.
class UnitTransport : public Transport {
  public:
    UnitTransport(SimulatedUnit& unit, VirtualClock& clock) : m_unit(unit), m_clock(clock) {}
    void setLink(Link* link) { m_link = link; }

    TransportKind kind() const override { return m_unit.form(); }
    int outputReportLength(std::uint8_t) const override { return m_unit.reportLength(); }
    bool isOpen() const override { return m_unit.plugged(); }
    WriteResult write(std::span<const std::uint8_t> bytes) override;

  private:
    void deliverDue();
    void deliver(std::span<const std::uint8_t> bytes);

    SimulatedUnit& m_unit;
    VirtualClock& m_clock;
    Link* m_link = nullptr;
};

// Every bound parameter a user can change, ascending (the device commands at 12 and 13 are not
// parameters): what property tests and the soak write at random.
std::vector<int> userWritableAddresses();

class VirtualRig {
  public:
    explicit VirtualRig(LinkHost& host, TransportKind form = TransportKind::UsbHid,
                        std::uint32_t seed = 1, int reportLength = kDefaultReportLength);

    // The unit appears: link state present, then the connect operation.
    void plugIn();
    // The unit goes away: its answers are lost and the link shows "Offline".
    void unplug();
    // Plugs the unit in and runs until the initial read has completed; false after `limit`.
    bool connect(std::chrono::milliseconds limit = std::chrono::seconds(10));
    // Runs until the link is connected with no transfer running, nothing queued or repeated.
    bool settle(std::chrono::milliseconds limit = std::chrono::seconds(10));

    VirtualClock clock;
    VirtualClock::Timer& holdTimer;
    VirtualClock::Timer& connectTimer;
    VirtualClock::Timer& transferTimer;
    SimulatedUnit unit;
    UnitTransport transport;
    ParameterModel model;
    Link link;
};

}  // namespace vt::sim
