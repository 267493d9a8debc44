// Connection and bulk transfer against the simulated unit: the initial read, the re-read after a
// restore, writing a loaded image, progress, and the failures of a silent unit.
#include <gtest/gtest.h>

#include "link/link_fixture.h"
#include "link/transfer_layout.h"

namespace vt {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;

using Transfer = test::LinkOnRig;

std::vector<std::uint16_t> requestsFrom(int firstModule) {
    std::vector<std::uint16_t> v;
    for (int m = firstModule; m <= 3; ++m)
        for (int p = 0; p < link::packetCount(m); ++p)
            v.push_back(static_cast<std::uint16_t>(m * 256 + p * 10));
    return v;
}

void expectImageMatchesUnitBelowSlot85(const sim::VirtualRig& rig, int firstModule) {
    for (int m = firstModule; m < kModuleCount; ++m)
        for (int s = 0; s < link::kStorableSlots; ++s)
            ASSERT_EQ(rig.model.device.at(m, s), rig.unit.image().at(m, s)) << m << "/" << s;
}

TEST_F(Transfer, InitialReadAsksForEveryPacketOnceThenSignsTheEnd) {
    int stateAtApply = -1;
    host.onApply = [&] { stateAtApply = rig.link.linkState(); };
    ASSERT_TRUE(rig.connect());

    const auto requests = readRequests();
    EXPECT_EQ(requests.size(), 17u);
    EXPECT_EQ(requests, requestsFrom(0));
    EXPECT_EQ(requests[3], 0x010A);
    EXPECT_EQ(requests.back(), 0x0300);
    EXPECT_EQ(signTimes(0x22).size(), 1u);
    expectImageMatchesUnitBelowSlot85(rig, 0);
    EXPECT_NE(rig.model.device.at(1, 20), 2);  // the unit's settings replaced the defaults

    EXPECT_EQ(rig.link.linkState(), kConnected);
    EXPECT_EQ(host.imageApplications, 2);
    EXPECT_EQ(host.imageReads, 1);
    EXPECT_EQ(stateAtApply, kPresent);
    EXPECT_EQ(rig.link.linkLabel().text, (Caption{"Device Connected", "设备已连接"}));
    EXPECT_EQ(rig.link.linkLabel().colour, texts::kColourFinished);
    EXPECT_TRUE(rig.holdTimer.isActive());
    EXPECT_FALSE(rig.connectTimer.isActive());
}

TEST_F(Transfer, ProgressRunsOverTheStepsAndEndsHidden) {
    ASSERT_TRUE(rig.connect());
    EXPECT_EQ(visiblePercents(), (std::vector<int>{0, 33, 67, 100, 133}));
    EXPECT_FALSE(host.dialogs.back().visible);
    EXPECT_EQ(host.dialogs.back().percent, 133);
    EXPECT_EQ(host.dialogs.front().label.caption, "Staus：Connecting ...");
}

TEST_F(Transfer, StartReportRepeatsEverySecondAndTheReadStartsOnTheNextTick) {
    rig.unit.faults().silentFrom = milliseconds(0);
    rig.plugIn();
    rig.clock.runUntil(milliseconds(1500));
    rig.unit.faults().silentFrom.reset();
    ASSERT_TRUE(runUntil([&] { return !readRequests().empty(); }));

    std::vector<milliseconds> starts;
    for (const auto& h : rig.unit.heard())
        if (h.kind == Kind::Start) starts.push_back(h.at);
    // Answered at 2002 ms; the read waits for the connect timer's next tick.
    EXPECT_EQ(starts,
              (std::vector<milliseconds>{milliseconds(0), milliseconds(1000), milliseconds(2000)}));
    EXPECT_EQ(heard(Kind::Command, 0xA0, 0x0039).front().at, milliseconds(3000));
    EXPECT_EQ(rig.link.linkLabel().text.caption, "Connecting ...");
}

TEST_F(Transfer, RestoreAndFactoryResetReReadModulesOneToThree) {
    struct Case {
        std::uint16_t value;
        bool factory;
    };
    for (const Case c : {Case{0, false}, Case{85, true}}) {
        test::RecordingHost h;
        sim::VirtualRig r(h);
        ASSERT_TRUE(r.connect());
        // The unit holds a stored copy that differs from its factory settings and from now.
        r.model.SendDatatoMCU(0x0100, 111);
        ASSERT_TRUE(r.settle());
        r.model.SendDatatoMCU(0x000D, 0);
        r.link.awaitSaveConfirmation();
        ASSERT_TRUE(r.settle());
        r.model.SendDatatoMCU(0x0100, 222);
        ASSERT_TRUE(r.clock.runUntil(
            [&] {
                return r.link.sendState().answerFlag == 1 && r.link.sendState().repeatFlag == 0 &&
                       !r.unit.hasAnswer() && r.link.sendState().queue.empty();
            },
            seconds(5)));
        r.unit.clearHeard();

        r.model.SendDatatoMCU(0x000C, c.value);  // sent at once
        EXPECT_EQ(r.link.linkLabel().text.caption, "Load Waiting...");
        EXPECT_EQ(r.link.linkState(), kPresent);
        EXPECT_TRUE(r.link.statusDialog().visible);
        EXPECT_EQ(r.link.statusDialog().percent, 0);
        ASSERT_TRUE(r.settle());

        std::vector<std::uint16_t> requests;
        for (const auto& heard : r.unit.heard())
            if (heard.command == 0xA0) requests.push_back(heard.value);
        EXPECT_EQ(requests, requestsFrom(1));
        expectImageMatchesUnitBelowSlot85(r, 1);
        EXPECT_EQ(h.imageReads, 2);  // the connection's read and this one
        EXPECT_EQ(r.model.device.at(1, 0), c.factory ? r.unit.factory().at(1, 0) : 111);
        std::vector<std::string> captions;
        for (const auto& l : h.labels)
            if (captions.empty() || captions.back() != l.text.caption)
                captions.push_back(l.text.caption);
        EXPECT_EQ(
            std::vector<std::string>(captions.end() - 3, captions.end()),
            (std::vector<std::string>{"Load Waiting...", "Downloading...", "Device Connected"}));
    }
}

TEST_F(Transfer, LoadedImageGoesOutAsFifteenPacketsAndTheEndSign) {
    ASSERT_TRUE(rig.connect());
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            rig.model.device.set(m, s, 1000 * m + s);
    rig.unit.clearHeard();

    rig.link.DisCheckWindow(kOpWriteImage);
    EXPECT_EQ(rig.link.linkLabel().text, (Caption{"Downloading...", "下载数据..."}));
    EXPECT_EQ(rig.link.linkState(), kPresent);
    const int before = host.imageApplications;
    ASSERT_TRUE(rig.settle());

    int packets = 0;
    for (const auto& h : rig.unit.heard()) packets += h.kind == Kind::ImagePacket;
    EXPECT_EQ(packets, 15);
    EXPECT_EQ(signTimes(0x33).size(), 1u);
    EXPECT_TRUE(readRequests().empty());
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s < link::packetCount(m) * 10; ++s)
            ASSERT_EQ(rig.unit.image().at(m, s), rig.model.device.at(m, s)) << m << "/" << s;
    EXPECT_EQ(host.imageApplications, before + 2);
    EXPECT_EQ(host.imageReads, 1);  // a write is no read: only the connection's read counted
    EXPECT_EQ(rig.link.linkLabel().text.caption, "Device Connected");
}

TEST_F(Transfer, WriteImageWhileNotConnectedDoesNothing) {
    rig.link.DisCheckWindow(kOpWriteImage);
    EXPECT_FALSE(rig.transferTimer.isActive());
    EXPECT_TRUE(rig.unit.heard().empty());
}

TEST_F(Transfer, AMissingDataPacketFailsTheConnection) {
    struct Case {
        const char* name;
        std::uint16_t lastAnswered;  // silence starts after this request's answer
        std::uint16_t missing;
        std::size_t timesSent;  // the first module's step is sent once more after 550 ms
    };
    const std::vector<Case> cases{{"module 2", 0x013C, 0x0200, 1}, {"module 0", 0xFFFF, 0x0000, 2}};
    for (const auto& c : cases) {
        test::RecordingHost h;
        sim::VirtualRig r(h);
        h.now = [&] { return r.clock.now(); };
        auto requests = [&] {
            std::vector<sim::SimulatedUnit::Heard> out;
            for (const auto& x : r.unit.heard())
                if (x.command == 0xA0) out.push_back(x);
            return out;
        };
        if (c.lastAnswered == 0xFFFF) r.unit.faults().silentFrom = milliseconds(1);
        r.plugIn();
        if (c.lastAnswered != 0xFFFF) {
            ASSERT_TRUE(r.clock.runUntil(
                [&] { return !requests().empty() && requests().back().value == c.lastAnswered; },
                seconds(5)));
            r.unit.faults().silentFrom = r.clock.now() + milliseconds(1);
        }
        ASSERT_TRUE(r.clock.runUntil([&] { return !h.messages.empty(); }, seconds(20))) << c.name;

        std::vector<milliseconds> sent;
        for (const auto& x : requests())
            if (x.value == c.missing) sent.push_back(x.at);
        ASSERT_EQ(sent.size(), c.timesSent) << c.name;
        if (c.timesSent == 2) {
            EXPECT_EQ(sent[1] - sent[0], milliseconds(550));
        }
        EXPECT_EQ(requests().back().value, c.missing) << c.name;  // nothing after it
        EXPECT_EQ(h.messages[0].text, "Connection Failed!");
        EXPECT_EQ(h.messages[0].caption, "Confirm");
        EXPECT_EQ(h.messages[0].at - sent[0], milliseconds(5550)) << c.name;
        EXPECT_EQ(r.link.linkLabel().text.caption, "OffLine");
        EXPECT_EQ(r.link.linkState(), kPresent);
        EXPECT_FALSE(r.transferTimer.isActive() || r.connectTimer.isActive());
        EXPECT_FALSE(r.link.statusDialog().visible);  // hidden before the message
        ASSERT_FALSE(h.dialogs.empty());
        EXPECT_FALSE(h.dialogs.back().visible);
        // What was read before the silence stays.
        for (int m = 0; m < c.missing >> 8; ++m)
            for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
                EXPECT_EQ(r.model.device.at(m, s), r.unit.image().at(m, s));
    }
}

TEST_F(Transfer, AnUnansweredFirstStepFailsWhateverCameBefore) {
    // A write whose answer was lost leaves the transfer state idle; the write image and the
    // re-read started after it must still time their first step out, not wait for ever.
    for (const int operation : {kOpWriteImage, kOpReRead}) {
        test::RecordingHost h;
        sim::VirtualRig r(h);
        h.now = [&] { return r.clock.now(); };
        ASSERT_TRUE(r.connect());
        r.unit.faults().dropShare = 1.0;
        r.model.SendDatatoMCU(0x0105, 300);
        const milliseconds started = r.clock.now();
        r.link.DisCheckWindow(operation);
        r.unit.faults().dropShare = 0.0;
        ASSERT_TRUE(r.clock.runUntil([&] { return !h.messages.empty(); }, seconds(20)))
            << "operation " << operation << " waits for ever";
        EXPECT_EQ(h.messages[0].text, "Connection Failed!");
        EXPECT_EQ(h.messages[0].at - started, milliseconds(5550));
    }
}

TEST_F(Transfer, ErrorReplyDuringTheReadTakesTheLinkOffline) {
    rig.plugIn();
    ASSERT_TRUE(runUntil([&] { return readRequests().size() == 5; }));
    rig.unit.faults().errorReplies = 1;
    ASSERT_TRUE(runUntil([&] { return !host.messages.empty(); }));
    EXPECT_EQ(host.messages[0].text, "Ack Error!");
    EXPECT_EQ(rig.link.linkState(), kNoDevice);
    EXPECT_EQ(rig.link.linkLabel().text.caption, "设备未连接");
    EXPECT_EQ(rig.link.linkLabel().colour, texts::kColourOffline);
    EXPECT_FALSE(rig.transferTimer.isActive() || rig.holdTimer.isActive() ||
                 rig.connectTimer.isActive());
    const auto frames = rig.unit.heard().size();
    rig.clock.advance(seconds(10));
    EXPECT_EQ(rig.unit.heard().size(), frames);  // nothing more goes out
}

class UartTransfer : public test::LinkOnRig {
  protected:
    UartTransfer() : LinkOnRig(TransportKind::Uart) {}
};

TEST_F(UartTransfer, RequestsAndPacketsNameModuleAndFirstSlotAndEverySlotArrives) {
    // No start report on UART: the unit's acknowledge arrives by itself.
    rig.link.ShowLinkStatus(1, {});
    rig.link.LinkBtnClick();
    rig.link.uartAcknowledged();
    ASSERT_TRUE(runUntil(
        [&] { return rig.link.linkState() == kConnected && !rig.transferTimer.isActive(); }));
    std::vector<std::uint16_t> expected;
    for (int m = 0; m <= 3; ++m)
        for (int p = 0; p < link::packetCount(m); ++p)
            expected.push_back(static_cast<std::uint16_t>(m * 256 + p * 10));
    EXPECT_EQ(readRequests(), expected);
    expectImageMatchesUnitBelowSlot85(rig, 0);

    // Writing: each packet's header names the module and first slot of its ten values, and the
    // write starts at module 1 slot 0 like a re-read.
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            rig.model.device.set(m, s, 500 + s);
    rig.unit.clearHeard();
    rig.link.DisCheckWindow(kOpWriteImage);
    ASSERT_TRUE(rig.settle());
    for (int m = 1; m <= 3; ++m)
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
            ASSERT_EQ(rig.unit.image().at(m, s), 500 + s) << m << "/" << s;
    EXPECT_EQ(std::count_if(rig.unit.heard().begin(), rig.unit.heard().end(),
                            [](const Heard& h) { return h.kind == Kind::ImagePacket; }),
              15);

    rig.unit.clearHeard();
    rig.link.DisCheckWindow(kOpReRead);
    ASSERT_TRUE(rig.settle());
    ASSERT_FALSE(readRequests().empty());
    EXPECT_EQ(readRequests().front(), 0x0100);
    EXPECT_EQ(readRequests().size(), 15u);
}

}  // namespace
}  // namespace vt
