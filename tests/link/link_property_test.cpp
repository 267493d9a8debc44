// Property: random user writes over thousands of virtual seconds, with answers dropped, late and
// corrupted, never break the send state, and once the link is idle again the unit holds the last
// value written to every parameter.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "link/link_fixture.h"
#include "model/slot_map.h"

namespace vt {
namespace {

using std::chrono::milliseconds;

TEST(LinkProperty, RandomWritesSurviveDroppedLateAndCorruptAnswers) {
    const auto addresses = sim::userWritableAddresses();
    ASSERT_GT(addresses.size(), 100u);
    for (std::uint32_t seed : {1u, 2u, 3u}) {
        test::RecordingHost host;
        sim::VirtualRig rig(host, TransportKind::UsbHid, seed);
        rig.unit.setKeepLog(false);
        ASSERT_TRUE(rig.connect());

        int broken = 0;
        int mostWaiting = 0;
        rig.clock.setAfterEach([&] {
            const SendState& s = rig.link.sendState();
            mostWaiting = std::max(mostWaiting, s.queue.count());
            if (s.queue.count() < 0 || s.queue.count() > WriteQueue::kMaxWaiting ||
                s.tickCount < 0 || s.tickCount > 51)
                ++broken;
        });
        auto& faults = rig.unit.faults();
        faults.dropShare = 0.15;
        faults.lateShare = 0.10;
        faults.corruptShare = 0.05;

        std::mt19937 rng(seed);
        auto below = [&](std::uint32_t n) { return static_cast<int>(rng() % n); };
        std::map<int, int> lastWritten;
        int writes = 0;
        while (rig.clock.now() < std::chrono::seconds(3000)) {
            faults.lateBy = milliseconds(20 + below(400));
            rig.clock.advance(milliseconds(below(600)));
            ASSERT_EQ(rig.link.linkState(), kConnected) << "seed " << seed;
            // A drag (one address, many values) or a few unrelated edits at one moment.
            const bool drag = below(2) == 0;
            const int address = addresses[static_cast<std::size_t>(below(addresses.size()))];
            for (int n = 1 + below(drag ? 40 : 4); n > 0; --n) {
                const int a =
                    drag ? address : addresses[static_cast<std::size_t>(below(addresses.size()))];
                const int v = below(362);
                rig.model.SendDatatoMCU(a, v);
                lastWritten[a] = v;
                ++writes;
            }
        }
        faults = {};
        ASSERT_TRUE(rig.settle()) << "seed " << seed;

        EXPECT_EQ(broken, 0) << "seed " << seed;
        EXPECT_GT(mostWaiting, 2) << "the faults never made writes wait";
        EXPECT_TRUE(host.messages.empty()) << host.messages.front().text;
        EXPECT_GT(writes, 5000);
        for (const auto& [a, v] : lastWritten) {
            ASSERT_EQ(rig.unit.image().at(a), v) << "seed " << seed << " address " << a;
            ASSERT_EQ(rig.model.device.at(a), v);
        }
        EXPECT_GT(host.memo.size(), 0u);  // corrupt answers were reported and used
    }
}

}  // namespace
}  // namespace vt
