// The send queue and the hold timer against the simulated unit: writes at once and queued,
// merging, the give-up after 125 ms, keep-alive polling, a lost unit, and the follow-ups of the
// save and restore commands.
#include <gtest/gtest.h>

#include "link/link_fixture.h"

namespace vt {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

class SendQueue : public test::LinkOnRig {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.connect());
        ASSERT_TRUE(rig.settle());
        ASSERT_TRUE(runUntilAnswered());
        rig.unit.clearHeard();
    }
    std::vector<std::uint16_t> valuesWrittenTo(std::uint16_t address) const {
        std::vector<std::uint16_t> v;
        for (const auto& h : writesTo(address)) v.push_back(h.value);
        return v;
    }
    static std::vector<milliseconds> gaps(const std::vector<milliseconds>& times) {
        std::vector<milliseconds> g;
        for (std::size_t i = 1; i < times.size(); ++i) g.push_back(times[i] - times[i - 1]);
        return g;
    }
};

TEST_F(SendQueue, AWriteToAnAnsweredIdleLinkGoesOutAtOnceAndIsNotRepeated) {
    rig.model.SendDatatoMCU(0x0100, 42);
    EXPECT_EQ(valuesWrittenTo(0x0100), std::vector<std::uint16_t>{42});
    EXPECT_EQ(rig.model.window.at(0x0100), 42);
    EXPECT_EQ(rig.model.device.at(0x0100), 42);
    ASSERT_TRUE(rig.settle());
    rig.clock.advance(seconds(1));
    EXPECT_EQ(valuesWrittenTo(0x0100), std::vector<std::uint16_t>{42});
    EXPECT_EQ(rig.unit.image().at(0x0100), 42);
}

TEST_F(SendQueue, ABurstToOneAddressWaitsInTwoEntriesAndItsLastValueGoesOutTwice) {
    rig.unit.setLatency(milliseconds(40));
    int mostWaiting = 0;
    for (int i = 1; i <= 20; ++i) {
        rig.model.SendDatatoMCU(0x0115, 100 + i);  // Main band 1 frequency
        mostWaiting = std::max(mostWaiting, rig.link.sendState().queue.count());
    }
    EXPECT_EQ(mostWaiting, 2);
    ASSERT_TRUE(rig.settle());
    EXPECT_EQ(valuesWrittenTo(0x0115), (std::vector<std::uint16_t>{101, 102, 120, 120}));
    EXPECT_EQ(rig.unit.image().at(0x0115), 120);
}

TEST_F(SendQueue, ChangesAreInFlightUntilTheUnitHoldsThemOrTheLinkGivesUp) {
    EXPECT_FALSE(rig.link.changesInFlight());
    rig.unit.setLatency(milliseconds(40));
    for (int i = 1; i <= 5; ++i) rig.model.SendDatatoMCU(0x0115, 100 + i);
    EXPECT_TRUE(rig.link.changesInFlight());
    ASSERT_TRUE(runUntil([&] { return !rig.link.changesInFlight(); }));
    EXPECT_EQ(rig.unit.image().at(0x0115), 105);  // the last value arrived, and its repeat

    rig.link.DisCheckWindow(kOpWriteImage);
    EXPECT_TRUE(rig.link.changesInFlight());
    ASSERT_TRUE(runUntil([&] { return !rig.link.changesInFlight(); }));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_TRUE(rig.settle());

    // A unit that stops answering mid-write: in flight until the transfer fails.
    rig.unit.faults().silentFrom = rig.clock.now();
    rig.link.DisCheckWindow(kOpWriteImage);
    EXPECT_TRUE(rig.link.changesInFlight());
    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }));
    EXPECT_FALSE(rig.link.changesInFlight());
}

TEST_F(SendQueue, WritesToASilentUnitGoOut150MsApartThenPollsSlowDownUntilTheUnitIsLost) {
    rig.unit.faults().silentFrom = rig.clock.now();
    // The next poll goes unanswered, so the writes below all have to wait.
    ASSERT_TRUE(runUntil([&] { return signTimes(0x66).size() == 1; }));
    rig.clock.advance(milliseconds(10));
    const milliseconds firstPoll = signTimes(0x66)[0];
    rig.model.SendDatatoMCU(0x0100, 1);
    rig.model.SendDatatoMCU(0x0102, 2);
    rig.model.SendDatatoMCU(0x0105, 3);
    EXPECT_EQ(rig.link.sendState().queue.count(), 3);

    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }));
    const std::vector<milliseconds> writes{writesTo(0x0100).at(0).at, writesTo(0x0102).at(0).at,
                                           writesTo(0x0105).at(0).at};
    EXPECT_EQ(gaps(writes), (std::vector<milliseconds>{milliseconds(150), milliseconds(150)}));

    // After the last write polls go out every 625 ms; the tick that sent the last write already
    // counts as the first unanswered period, so the first poll comes after four more and the
    // unit is lost after thirty.
    auto polls = signTimes(0x66);
    ASSERT_GE(polls.size(), 2u);
    EXPECT_EQ(polls[0], firstPoll);
    polls.erase(polls.begin());
    EXPECT_EQ(polls.front() - writes.back(), milliseconds(500));
    for (const auto gap : gaps(polls)) EXPECT_EQ(gap, milliseconds(625));
    EXPECT_EQ(host.messages[0].at - writes.back(), 30 * milliseconds(125));
    EXPECT_EQ(host.messages[0].text, "Device Disconnected!");
}

TEST_F(SendQueue, PollsEvery125MsWhileAnsweredAndEvery625MsWhileNot) {
    rig.clock.advance(seconds(1));
    const auto answered = signTimes(0x66);
    ASSERT_EQ(answered.size(), 8u);
    for (const auto gap : gaps(answered)) EXPECT_EQ(gap, milliseconds(125));

    ASSERT_TRUE(runUntilAnswered());
    rig.unit.clearHeard();
    rig.unit.faults().silentFrom = rig.clock.now();
    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }));
    const auto polls = signTimes(0x66);
    // The first unanswered poll, then one at every fifth missed period: 5, 10, ... 30.
    ASSERT_EQ(polls.size(), 7u);
    for (const auto gap : gaps(polls)) EXPECT_EQ(gap, milliseconds(625));
    EXPECT_EQ(host.messages[0].at - polls[0], 31 * milliseconds(125));
    EXPECT_EQ(host.messages[0].text, "Device Disconnected!");
    EXPECT_EQ(host.messages[0].caption, "Confirm");
    EXPECT_EQ(rig.link.linkLabel().text, (Caption{"OffLine", "设备未连接"}));
    EXPECT_EQ(rig.link.linkState(), kPresent);
    EXPECT_FALSE(rig.holdTimer.isActive());

    // A write now only reaches the images.
    rig.model.SendDatatoMCU(0x0100, 9);
    EXPECT_TRUE(writesTo(0x0100).empty());
    EXPECT_EQ(rig.link.sendState().queue.count(), 0);
}

// Between polls an idle link has nothing to do, so the hold timer strides from poll to poll; a
// write brings back every tick at once, on the old phase.
TEST_F(SendQueue, AnIdleLinkWakesOnlyForItsPolls) {
    int wakeUps = 0;
    rig.clock.setAfterEach([&] { ++wakeUps; });
    rig.clock.advance(seconds(1));
    EXPECT_LE(wakeUps, 2 * 8 + 2);  // a poll and its answer every 125 ms, give or take one
    EXPECT_GT(rig.holdTimer.nextTimeout() - rig.clock.now(), link::kHoldPeriod);
    EXPECT_EQ(signTimes(0x66).size(), 8u);

    rig.clock.advance(milliseconds(10));
    rig.model.SendDatatoMCU(0x0101, 5);
    EXPECT_LE(rig.holdTimer.nextTimeout() - rig.clock.now(), link::kHoldPeriod);
    rig.model.SendDatatoMCU(0x0102, 6);  // queued behind the first
    rig.clock.advance(milliseconds(200));
    // Released by the tick after the first one's answer; the last value goes out twice.
    EXPECT_EQ(valuesWrittenTo(0x0102), (std::vector<std::uint16_t>{6, 6}));
}

// A link connected to the simulated unit whose hold timer strides, or ticks every period.
struct TimerRig {
    explicit TimerRig(bool stride) : rig(host, TransportKind::UsbHid) {
        host.now = [this] { return rig.clock.now(); };
        rig.holdTimer.setCanStride(stride);
    }
    bool connect() { return rig.connect() && rig.settle(); }
    std::size_t polls() const {
        std::size_t n = 0;
        for (const auto& h : rig.unit.heard())
            if (h.command == 0xA7 && h.address == 0x003A && h.value == 0x66) ++n;
        return n;
    }
    test::RecordingHost host;
    sim::VirtualRig rig;
};

// A striding hold timer and one that ticks every period see the same exchange, even when the
// unit's answer falls due exactly with a poll tick.
TEST(SendQueueTimers, StridingAndPlainTicksPollAlike) {
    for (const int latencyMs : {40, 125, 250}) {
        std::size_t polls[2] = {};
        for (const bool stride : {false, true}) {
            TimerRig t(stride);
            ASSERT_TRUE(t.connect());
            t.rig.unit.setLatency(milliseconds(latencyMs));
            t.rig.unit.clearHeard();
            t.rig.clock.advance(seconds(2));
            polls[stride] = t.polls();
        }
        EXPECT_EQ(polls[0], polls[1]) << latencyMs << " ms";
        if (latencyMs == 125) {
            EXPECT_EQ(polls[1], 16u);
        }
    }
}

// The "Save Successfully!" box stands open while the timer ticks; closing it sends a poll only
// as often as it would with a timer ticking every period (about one close in five), not at
// nearly every close because the last strided tick fell on a poll.
TEST(SendQueueTimers, ClosingTheSaveMessageAfterStridesPollsAsPlainTicksWould) {
    constexpr int kCloses = 200;
    int pollsAtClose[2] = {};
    for (const bool stride : {false, true}) {
        TimerRig t(stride);
        ASSERT_TRUE(t.connect());
        sim::VirtualRig& rig = t.rig;
        std::size_t pollsBefore = 0;
        int open = 0;
        t.host.whileShowing = [&] {
            // Open for 1 to 2 s, on no particular phase of the timer.
            rig.clock.advance(milliseconds(1000 + (open++ * 37) % 1000));
            pollsBefore = t.polls();
        };
        for (int close = 0; close < kCloses; ++close) {
            const std::size_t shown = t.host.messages.size();
            rig.model.SendDatatoMCU(0x000D, 0);
            rig.link.awaitSaveConfirmation();
            ASSERT_TRUE(
                rig.clock.runUntil([&] { return t.host.messages.size() > shown; }, seconds(5)));
            if (t.polls() > pollsBefore) ++pollsAtClose[stride];
            rig.clock.advance(milliseconds(300));
        }
    }
    EXPECT_LT(pollsAtClose[1], kCloses / 3);
    EXPECT_NEAR(pollsAtClose[1], pollsAtClose[0], kCloses / 10);
}

TEST_F(SendQueue, LostUnitInChinese) {
    rig.link.setLanguage(1);
    rig.unit.faults().silentFrom = rig.clock.now();
    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, "已断开连接!");
    EXPECT_EQ(host.messages[0].caption, "提示");
    EXPECT_EQ(rig.link.linkLabel().text, (Caption{"设备未连接", "OffLine"}));
}

TEST_F(SendQueue, SaveWaitsForTheUnitsAnswerThenConfirms) {
    rig.unit.setLatency(milliseconds(300));
    rig.model.SendDatatoMCU(0x0101, 640);
    ASSERT_TRUE(rig.settle());
    ASSERT_TRUE(runUntilAnswered());

    rig.model.SendDatatoMCU(0x000D, 0);  // sent at once
    EXPECT_EQ(rig.link.linkLabel().text.caption, "Save Waiting...");
    rig.link.awaitSaveConfirmation();  // what the window's save command does next
    EXPECT_EQ(rig.link.linkLabel().text, (Caption{"Saving...", "保存中..."}));
    EXPECT_EQ(rig.link.linkState(), kPresent);
    rig.clock.advance(milliseconds(100));
    EXPECT_TRUE(rig.link.statusDialog().visible);  // progress while the unit works
    EXPECT_TRUE(host.messages.empty());

    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, "Save Successfully!");
    EXPECT_EQ(host.messages[0].caption, "Confirm");
    EXPECT_EQ(rig.link.linkState(), kConnected);
    EXPECT_EQ(rig.link.linkLabel().text.caption, "Device Connected");
    EXPECT_FALSE(rig.link.statusDialog().visible);
    EXPECT_EQ(rig.link.statusDialog().percent, 0);
    EXPECT_EQ(rig.unit.storedImage().at(0x0101), 640);
}

// A restore that has to wait behind a write is sent later, and still leads to a read of what
// the unit then holds: the program never goes on showing settings the unit has replaced.
TEST_F(SendQueue, ARestoreQueuedBehindAWriteStillReadsTheUnitAgain) {
    rig.unit.setLatency(milliseconds(40));
    const int stored = rig.unit.storedImage().at(0x0115);
    rig.model.SendDatatoMCU(0x0115, stored + 5);  // sent at once, its answer outstanding
    rig.model.SendDatatoMCU(0x000C, 0);           // has to wait
    EXPECT_EQ(rig.link.sendState().queue.count(), 1);
    EXPECT_EQ(rig.link.linkLabel().text.caption, "Device Connected");
    ASSERT_TRUE(runUntil([&] { return rig.link.linkLabel().text.caption == "Load Waiting..."; }));
    EXPECT_EQ(rig.link.linkState(), kPresent);
    ASSERT_TRUE(runUntil([&] { return rig.link.linkState() == kConnected; }, seconds(20)));
    EXPECT_EQ(rig.unit.image().at(0x0115), stored);
    EXPECT_EQ(rig.model.device.at(0x0115), stored);
}

TEST_F(SendQueue, ASaveTheUnitNeverAnsweredIsNotConfirmedByTheNextConnection) {
    rig.unit.unplug();  // the unit goes dead without the system noticing
    rig.model.SendDatatoMCU(0x000D, 0);
    rig.link.awaitSaveConfirmation();
    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }, seconds(70)));
    EXPECT_EQ(host.messages[0].text, "Device Disconnected!");
    EXPECT_GT(host.messages[0].at, seconds(60));
    EXPECT_FALSE(rig.link.statusDialog().visible);  // the waiting dialog goes with the unit

    ASSERT_TRUE(rig.connect());
    rig.clock.advance(seconds(2));
    EXPECT_EQ(host.messageTexts(), std::vector<std::string>{"Device Disconnected!"});
    EXPECT_EQ(rig.link.linkState(), kConnected);
}

TEST_F(SendQueue, HistoryStaysBoundedOnALongIdleConnection) {
    rig.clock.advance(std::chrono::minutes(15));  // 7,200 polls
    EXPECT_EQ(rig.link.history().size(), HistoryList::kMaxLines);
    EXPECT_GT(host.historyDropped, 2000u);
}

}  // namespace
}  // namespace vt
