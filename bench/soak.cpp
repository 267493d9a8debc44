// Soak of the link against the simulated unit on the virtual clock: a day of writes, preset loads
// and stores with faults and unplugs, then a check that the unit holds every last value written.

// Usage: soak [VIRTUAL_HOURS] [SEED] (default 24 hours, seed 1). Faults: answers dropped, late and
// corrupted, error replies, the unit unplugged and plugged in again every few minutes. At the end,
// with the faults off and the link settled, every parameter must hold the last value written to it
// since the link last read the unit. Prints what happened; exits 1 when something was lost.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "presets/preset_codec.h"
#include "sim/virtual_rig.h"

namespace {

using namespace vt;
using std::chrono::milliseconds;
using std::chrono::seconds;

// Counts what the windows would be shown, and the largest memo and history they would hold.
class SoakHost : public NullLinkHost {
  public:
    void showMessage(std::string_view text, std::string_view) override {
        ++messages;
        lastMessage = std::string(text);
        ++byText[lastMessage];
    }
    void applyDeviceImage() override { ++imageApplications; }
    void addMemoLine(const std::string&) override { ++memoLines; }
    void historyLineAdded(const std::string&, std::size_t dropped) override {
        historyLines = historyLines + 1 - dropped;
        peakHistory = std::max(peakHistory, historyLines);
    }

    long messages = 0;
    std::string lastMessage;
    std::map<std::string, long> byText;
    long imageApplications = 0;
    long memoLines = 0;
    std::size_t historyLines = 0;
    std::size_t peakHistory = 0;
};

struct Figures {
    long writes = 0;
    long writesWhileConnected = 0;
    long presetLoads = 0;
    long stores = 0;
    long replugs = 0;
    long recoveries = 0;  // reconnections after a message (error reply, lost unit, failure)
    long hangs = 0;       // a minute without a connection while the unit was plugged in
    long stateErrors = 0;
    int peakQueue = 0;
};

class Soak {
  public:
    Soak(std::uint32_t seed) : m_rig(m_host, TransportKind::UsbHid, seed), m_rng(seed) {
        m_rig.unit.setKeepLog(false);
        m_rig.clock.setAfterEach([this] { checkState(); });
    }

    bool run(milliseconds length) {
        if (!m_rig.connect()) return false;
        setFaults(true);
        const milliseconds end = m_rig.clock.now() + length;
        milliseconds nextReplug = now() + pick(seconds(120), seconds(300));
        milliseconds nextPreset = now() + pick(seconds(300), seconds(900));
        milliseconds nextStore = now() + pick(seconds(600), seconds(1200));
        while (now() < end) {
            m_rig.unit.faults().lateBy = milliseconds(20 + below(400));
            m_rig.clock.advance(milliseconds(below(600)));
            recoverIfNeeded();
            if (!connected()) continue;
            if (now() >= nextReplug) {
                replug();
                nextReplug = now() + pick(seconds(120), seconds(300));
            } else if (now() >= nextPreset) {
                loadPreset();
                nextPreset = now() + pick(seconds(300), seconds(900));
            } else if (now() >= nextStore) {
                store();
                nextStore = now() + pick(seconds(600), seconds(1200));
            } else {
                userWrites();
            }
        }
        setFaults(false);
        // Plugged in and quiet: the link must come back and settle.
        if (!connected()) m_rig.plugIn();
        return m_rig.settle(seconds(60));
    }

    // Parameters whose value in the unit differs from the link's device image (which holds
    // the last value written to each since the link last read the unit).
    int lostWrites() const {
        int lost = 0;
        for (int a : m_addresses)
            if (m_rig.unit.image().at(a) != m_rig.model.device.at(a)) ++lost;
        return lost;
    }

    int parameters() const { return static_cast<int>(m_addresses.size()); }
    const Figures& figures() const { return m_figures; }
    const SoakHost& host() const { return m_host; }
    milliseconds now() const { return m_rig.clock.now(); }

  private:
    int below(int n) { return static_cast<int>(m_rng() % static_cast<std::uint32_t>(n)); }
    milliseconds pick(milliseconds lo, milliseconds hi) {
        return lo + milliseconds(below(static_cast<int>((hi - lo).count())));
    }
    bool connected() const {
        return m_rig.link.linkState() == kConnected && !m_rig.transferTimer.isActive();
    }

    void setFaults(bool on) {
        sim::UnitFaults& f = m_rig.unit.faults();
        f.dropShare = on ? 0.05 : 0.0;
        f.lateShare = on ? 0.05 : 0.0;
        f.corruptShare = on ? 0.02 : 0.0;
        m_faultsOn = on;
    }

    void checkState() {
        const SendState& s = m_rig.link.sendState();
        m_figures.peakQueue = std::max(m_figures.peakQueue, s.queue.count());
        if (s.queue.count() < 0 || s.queue.count() > WriteQueue::kMaxWaiting || s.tickCount < 0 ||
            s.tickCount > 51)
            ++m_figures.stateErrors;
    }

    // A drag (one parameter, many values) or a few unrelated edits; now and then an error reply.
    void userWrites() {
        if (m_faultsOn && below(400) == 0) m_rig.unit.faults().errorReplies = 1;
        const bool drag = below(2) == 0;
        const int address = m_addresses[static_cast<std::size_t>(below(size()))];
        for (int n = 1 + below(drag ? 40 : 4); n > 0; --n) {
            const int a = drag ? address : m_addresses[static_cast<std::size_t>(below(size()))];
            m_rig.model.SendDatatoMCU(a, below(362));
            ++m_figures.writes;
            ++m_figures.writesWhileConnected;
        }
    }
    int size() const { return static_cast<int>(m_addresses.size()); }

    void replug() {
        m_rig.unplug();
        m_rig.clock.advance(milliseconds(500 + below(4000)));
        m_rig.plugIn();
        ++m_figures.replugs;
    }

    void loadPreset() {
        DeviceImage image = m_rig.model.device;
        for (int m : presets::kSavedModules)
            for (int s = 0; s <= presets::kLastSavedSlot[m]; ++s) image.set(m, s, below(362));
        const auto preset = presets::decodePreset(
            presets::presetFileText(presets::savePresetLines(image, m_rig.model.deviceVariant)));
        presets::applyPreset(preset, m_rig.model.deviceVariant, m_rig.model.device);
        m_rig.link.DisCheckWindow(kOpWriteImage);
        ++m_figures.presetLoads;
    }

    void store() {
        m_rig.model.SendDatatoMCU(0x000D, 0);
        m_rig.link.awaitSaveConfirmation();
        ++m_figures.stores;
    }

    // After a message (error reply, lost unit, failed transfer) the link waits for the device
    // to change; the program's user would plug the unit in again.
    void recoverIfNeeded() {
        if (m_host.messages != m_seenMessages) {
            m_seenMessages = m_host.messages;
            m_offlineSince = now();
            if (m_host.lastMessage != "Save Successfully!") {
                m_rig.plugIn();
                ++m_figures.recoveries;
            }
            return;
        }
        if (connected() || m_rig.link.sendState().pendingOperation != kOpNone) {
            m_offlineSince = now();
        } else if (now() - m_offlineSince > seconds(60)) {
            ++m_figures.hangs;
            describeHang();
            m_rig.plugIn();
            m_offlineSince = now();
        }
    }

    void describeHang() const {
        const TransferState& t = m_rig.link.transferState();
        std::printf(
            "hang at %.3f s: link state %d, label '%s', timers hold %d connect %d "
            "transfer %d, transfer mode %d step %d state %d, plugged %d, last message '%s'\n",
            static_cast<double>(now().count()) / 1000.0, m_rig.link.linkState(),
            m_rig.link.linkLabel().text.caption.c_str(), m_rig.holdTimer.isActive(),
            m_rig.connectTimer.isActive(), m_rig.transferTimer.isActive(), t.mode, t.currentStep,
            t.state, m_rig.unit.plugged(), m_host.lastMessage.c_str());
    }

    SoakHost m_host;
    sim::VirtualRig m_rig;
    std::mt19937 m_rng;
    std::vector<int> m_addresses = sim::userWritableAddresses();
    Figures m_figures;
    bool m_faultsOn = false;
    long m_seenMessages = 0;
    milliseconds m_offlineSince{0};
};

}  // namespace

int main(int argc, char** argv) {
    const double hours = argc > 1 ? std::atof(argv[1]) : 24.0;
    const auto seed = argc > 2 ? static_cast<std::uint32_t>(std::atol(argv[2])) : 1u;
    const auto started = std::chrono::steady_clock::now();
    Soak soak(seed);
    const bool settled = soak.run(milliseconds(static_cast<long long>(hours * 3600000.0)));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const int lost = soak.lostWrites();
    const Figures& f = soak.figures();
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);

    std::printf("virtual time:            %.2f h (seed %u), wall time %.1f s\n",
                static_cast<double>(soak.now().count()) / 3600000.0, seed, wall);
    std::printf("writes made:             %ld (all while connected)\n", f.writesWhileConnected);
    std::printf("preset loads, stores:    %ld, %ld\n", f.presetLoads, f.stores);
    std::printf("unplug and replug:       %ld\n", f.replugs);
    std::printf("messages shown:          %ld (reconnected after %ld)\n", soak.host().messages,
                f.recoveries);
    for (const auto& [text, n] : soak.host().byText) std::printf("  %-22s %ld\n", text.c_str(), n);
    std::printf("settled at the end:      %s\n", settled ? "yes" : "NO");
    std::printf("writes held at the end:  %d of %d parameters hold their last value (%d lost)\n",
                soak.parameters() - lost, soak.parameters(), lost);
    std::printf("crashes:                 0 (the run reached its end)\n");
    std::printf("hangs:                   %ld (a minute without a connection, unit plugged)\n",
                f.hangs);
    std::printf("send state errors:       %ld\n", f.stateErrors);
    std::printf("peak queue:              %d writes waiting\n", f.peakQueue);
    std::printf("peak history:            %zu lines (bounded at %zu)\n", soak.host().peakHistory,
                HistoryList::kMaxLines);
    std::printf("memo lines:              %ld (checksum mismatch reports)\n",
                soak.host().memoLines);
    std::printf("peak resident memory:    %ld KiB\n", usage.ru_maxrss);
    return settled && lost == 0 && f.stateErrors == 0 && f.hangs == 0 ? 0 : 1;
}
