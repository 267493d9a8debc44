// The queue's merge, append and overflow rules.
#include "link/write_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace vt {
namespace {

std::vector<QueuedWrite> waiting(const WriteQueue& q) {
    std::vector<QueuedWrite> out;
    for (int i = 1; i <= q.count(); ++i) out.push_back(q.waiting(i));
    return out;
}

struct MergeCase {
    const char* name;
    std::vector<QueuedWrite> pushes;
    std::vector<QueuedWrite> expected;
};

TEST(WriteQueue, MergesOnlyIntoTheNewestOfSeveralWaitingWrites) {
    const std::vector<MergeCase> cases{
        {"the oldest waiting write never merges", {{5, 1}, {5, 2}}, {{5, 1}, {5, 2}}},
        {"a run to one address keeps its first and last value",
         {{5, 1}, {5, 2}, {5, 3}, {5, 4}},
         {{5, 1}, {5, 4}}},
        {"alternating addresses never merge",
         {{5, 1}, {6, 1}, {5, 2}, {6, 2}},
         {{5, 1}, {6, 1}, {5, 2}, {6, 2}}},
        {"only the newest entry is looked at", {{5, 1}, {6, 1}, {5, 2}}, {{5, 1}, {6, 1}, {5, 2}}},
    };
    for (const auto& c : cases) {
        WriteQueue q;
        for (const auto& w : c.pushes) q.push(w);
        EXPECT_EQ(waiting(q), c.expected) << c.name;
    }
}

TEST(WriteQueue, AdvanceMakesTheOldestWaitingWriteTheSentOne) {
    WriteQueue q;
    q.setSent({1, 1});
    q.push({2, 2});
    q.push({3, 3});
    q.advance();
    EXPECT_EQ(q.sent(), (QueuedWrite{2, 2}));
    EXPECT_EQ(waiting(q), (std::vector<QueuedWrite>{{3, 3}}));
    q.advance();
    q.advance();  // nothing waits: entry 0 stays
    EXPECT_EQ(q.sent(), (QueuedWrite{3, 3}));
    EXPECT_TRUE(q.empty());
}

TEST(WriteQueue, AFullQueueDropsItsTwoNewestWritesForANewOne) {
    WriteQueue q;
    for (int i = 1; i <= WriteQueue::kMaxWaiting; ++i) q.push({i, static_cast<std::uint16_t>(i)});
    ASSERT_EQ(q.count(), 495);
    q.push({1000, 7});
    EXPECT_EQ(q.count(), 494);
    EXPECT_EQ(q.waiting(493), (QueuedWrite{493, 493}));
    EXPECT_EQ(q.waiting(494), (QueuedWrite{1000, 7}));
}

}  // namespace
}  // namespace vt
