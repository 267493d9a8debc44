// The receive parser: data packets, status replies, checksum reports, level meters, and frames
// too short for the positions it reads.
#include <gtest/gtest.h>

#include <random>

#include "link/link_fixture.h"
#include "support/hex.h"

namespace vt {
namespace {

using test::hex;

// Sets the last byte so that the frame sums to 0 modulo 256.
std::vector<std::uint8_t> sealed(std::vector<std::uint8_t> f) {
    const std::size_t last = f.size() - 1;
    f[last] = negativeChecksum(std::span(f).first(last));
    return f;
}

std::vector<std::uint8_t> dataPacket(int length, int module, int first, int values) {
    std::vector<std::uint8_t> f{
        0x01, 0x57, static_cast<std::uint8_t>(length), 0xA0,
        0x00, 0x39, static_cast<std::uint8_t>(module), static_cast<std::uint8_t>(first)};
    for (int j = 0; j < values; ++j) {
        f.push_back(0x10);
        f.push_back(static_cast<std::uint8_t>(j));
    }
    f.push_back(0);
    return sealed(f);
}

std::vector<std::uint8_t> ack(std::uint8_t left, std::uint8_t right, std::uint16_t volume = 500) {
    auto f = hex("01 57 11 A7 00 FF 00 02 00 00 00 00 00 00 00 00 00 00 00 00");
    f[8] = left;
    f[9] = right;
    f[17] = static_cast<std::uint8_t>(volume >> 8);
    f[18] = static_cast<std::uint8_t>(volume & 0xFF);
    return sealed(f);
}

using ReceiveParser = test::LinkOnStubs;

TEST_F(ReceiveParser, DataPacketStoresItsValuesBelowSlot85) {
    link.ParseDeviceFrame(dataPacket(26, 2, 60, 10));
    for (int j = 0; j < 10; ++j) EXPECT_EQ(model.device.at(2, 60 + j), 0x1000 + j) << j;
    EXPECT_EQ(link.transferState().state, kTransferAnswered);

    link.ParseDeviceFrame(dataPacket(26, 1, 80, 10));
    for (int j = 0; j < 5; ++j) EXPECT_EQ(model.device.at(1, 80 + j), 0x1000 + j);
    for (int s = 85; s < 90; ++s) EXPECT_EQ(model.device.at(1, s), 0) << s;

    link.ParseDeviceFrame(dataPacket(26, 4, 0, 10));  // no module 4: nothing stored
    EXPECT_TRUE(host.memo.empty());
}

TEST_F(ReceiveParser, ShortLengthStoresNothingButLetsTheTransferAdvance) {
    link.ParseDeviceFrame(dataPacket(7, 1, 0, 10));
    EXPECT_EQ(model.device.at(1, 0), 0);
    EXPECT_EQ(link.transferState().state, kTransferAnswered);
}

TEST_F(ReceiveParser, ChecksumMismatchWritesThreeMemoLinesAndTheFrameStillCounts) {
    auto f = ack(0, 0);
    link.ParseDeviceFrame(f);
    EXPECT_TRUE(host.memo.empty());

    const std::uint8_t good = f.back();
    f.back() = static_cast<std::uint8_t>(good + 1);
    link.ParseDeviceFrame(f);
    ASSERT_EQ(host.memo.size(), 3u);
    EXPECT_EQ(host.memo[0], "0********************");
    EXPECT_EQ(host.memo[1], "校验数据匹配不一致:" + std::to_string(good) + "得到的验证数据：" +
                                std::to_string(good + 1));
    EXPECT_EQ(host.memo[2], "接收到的错误数据： " + test::toHex(f));
    EXPECT_EQ(link.sendState().answerFlag, 1);
    EXPECT_EQ(host.volumes.size(), 2u);
}

TEST_F(ReceiveParser, FramesForAnotherModuleOrWithAForeignHeader) {
    auto other = dataPacket(26, 1, 0, 10);
    other[4] = 1;
    other.back() ^= 0xFF;  // compared, reported, otherwise ignored
    link.ParseDeviceFrame(other);
    EXPECT_EQ(host.memo.size(), 3u);
    EXPECT_EQ(host.memo[0], "1********************");
    EXPECT_EQ(model.device.at(1, 0), 0);
    EXPECT_EQ(link.transferState().state, kTransferIdle);

    auto foreign = dataPacket(26, 1, 0, 10);
    foreign[1] = 0x58;
    link.ParseDeviceFrame(foreign);
    EXPECT_EQ(host.memo.size(), 3u);
    EXPECT_EQ(model.device.at(1, 0), 0);
}

TEST_F(ReceiveParser, AcknowledgeCarriesTheMasterVolumeAndUpdatesMetersOnEvenIndexes) {
    link.ParseDeviceFrame(ack(255, 3, 777));
    EXPECT_EQ(link.levels().index(), 1);
    EXPECT_TRUE(host.meters.empty());  // the first acknowledge does not move the meters
    EXPECT_EQ(host.volumes, std::vector<int>{777});
    EXPECT_EQ(link.transferState().connectionAnswer, 1);

    link.ParseDeviceFrame(ack(255, 0, 778));
    // index 2: the sum of the five history values over 5, truncated
    using P = std::pair<Meter, int>;
    EXPECT_EQ(host.meters,
              (std::vector<P>{{Meter::Left, (48 + 48) / 5}, {Meter::Right, (9 - 22) / 5}}));
    EXPECT_EQ(link.levels().values(0)[1], 48);
    EXPECT_EQ(link.levels().values(1)[1], 9);

    for (int i = 0; i < 3; ++i) link.ParseDeviceFrame(ack(0, 0));
    EXPECT_EQ(link.levels().index(), 0);  // wrapped from 5 to 0
    EXPECT_EQ(host.meters.size(), 6u);    // updated at index 2, 4 and 0
}

TEST(LevelFormula, KnownLevels) {
    struct Case {
        std::uint8_t byte;
        int level;
    };
    // 255 -> 48; 0 -> 48 + 20 log10(0.0003) = -22.5; 3 -> 9.4; 1 -> -0.1 -> 0 -> 1;
    // 2 -> 5.9; 230 -> 47.1 -> 48; 200 -> 45.9.
    for (const Case c : {Case{255, 48}, Case{0, -22}, Case{3, 9}, Case{1, 1}, Case{2, 5},
                         Case{230, 48}, Case{200, 45}})
        EXPECT_EQ(levelFromByte(c.byte), c.level) << int(c.byte);
}

TEST_F(ReceiveParser, ErrorReplyTakesTheLinkOffline) {
    for (int language : {0, 1}) {
        link.setLanguage(language);
        link.setLinkState(kConnected);
        hold.active = connect.active = transfer.active = true;
        link.ParseDeviceFrame(sealed(hex("01 57 11 A7 00 FF 00 06 00 00 00")));
        EXPECT_EQ(link.linkState(), kNoDevice);
        EXPECT_FALSE(hold.active || connect.active || transfer.active);
        EXPECT_EQ(link.linkLabel().text.caption, "设备未连接");
        EXPECT_EQ(link.linkLabel().colour, texts::kColourOffline);
        ASSERT_FALSE(host.messages.empty());
        EXPECT_EQ(host.messages.back().text, language == 1 ? "错误应答!" : "Ack Error!");
    }
}

// Error replies parsed inside the open "Ack Error!" box are counted in the history, not stacked
// as boxes; once the box is closed, the next one shows again.
TEST_F(ReceiveParser, RepeatedErrorRepliesShowOneBoxAtATime) {
    const auto error = sealed(hex("01 57 11 A7 00 FF 00 06 00 00 00"));
    int nested = 0;
    host.whileShowing = [&] {
        if (nested++ > 0) return;
        link.ParseDeviceFrame(error);
        link.ParseDeviceFrame(error);
    };
    link.ParseDeviceFrame(error);
    EXPECT_EQ(host.messageTexts(), std::vector<std::string>{"Ack Error!"});
    ASSERT_EQ(host.history.size(), 2u);
    EXPECT_EQ(host.history[0], "NOT SHOWN (already open): Ack Error! x1");
    EXPECT_EQ(host.history[1], "NOT SHOWN (already open): Ack Error! x2");
    link.ParseDeviceFrame(error);
    EXPECT_EQ(host.messages.size(), 2u);
}

// Each frame is its own heap block, so reading past its end is caught by AddressSanitizer.
TEST_F(ReceiveParser, ShortFramesAreReadOnlyAsFarAsTheyGo) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> frame;
        int storedValues;  // values stored from slot 0 of module 1
        bool answered;     // an acknowledge was taken
        bool volume;       // the volume bar moved
    };
    auto cut = [](std::vector<std::uint8_t> f, std::size_t n) {
        f.resize(n);
        return f;
    };
    const auto packet = dataPacket(26, 1, 0, 10);
    const auto reply = ack(255, 255, 300);
    const std::vector<Case> cases{
        {"empty", {}, 0, false, false},
        {"header only", hex("01 57"), 0, false, false},
        {"no slot byte", cut(packet, 7), 0, false, false},
        {"half a value", cut(packet, 9), 0, false, false},
        {"three values and a half", cut(packet, 15), 3, false, false},
        {"status without its code", cut(reply, 7), 0, false, false},
        {"status code only", cut(reply, 8), 0, true, false},
        {"status without the volume's low byte", cut(reply, 18), 0, true, false},
        {"whole status", reply, 0, true, true},
    };
    for (const auto& c : cases) {
        test::RecordingHost h;
        ParameterModel m;
        test::StubTimer t1, t2, t3;
        Link l(m, h, LinkTimers{t1, t2, t3});
        auto frame = std::make_unique<std::uint8_t[]>(c.frame.size() + 1);  // never empty
        std::copy(c.frame.begin(), c.frame.end(), frame.get());
        l.ParseDeviceFrame(std::span<const std::uint8_t>(frame.get(), c.frame.size()));
        int stored = 0;
        while (stored < 10 && m.device.at(1, stored) == 0x1000 + stored) ++stored;
        EXPECT_EQ(stored, c.storedValues) << c.name;
        EXPECT_EQ(l.sendState().answerFlag == 1, c.answered) << c.name;
        EXPECT_EQ(!h.volumes.empty(), c.volume) << c.name;
    }
}

TEST_F(ReceiveParser, StatusReplyCutAfterTheLeftLevelMovesOnlyTheLeftMeter) {
    link.ParseDeviceFrame(ack(255, 255));
    auto f = ack(255, 255);
    f.resize(9);
    link.ParseDeviceFrame(f);
    using P = std::pair<Meter, int>;
    EXPECT_EQ(host.meters, (std::vector<P>{{Meter::Left, 19}}));
}

TEST_F(ReceiveParser, RandomFramesNeverReachOutsideTheImage) {
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        std::vector<std::uint8_t> f(rng() % 70);
        for (auto& b : f) b = static_cast<std::uint8_t>(rng());
        if (f.size() > 1) f[1] = 0x57;
        if (f.size() > 4) f[4] = 0;
        if (f.size() > 5) f[5] = (rng() & 1) ? 0x39 : 0xFF;
        if (f.size() > 6) f[6] = static_cast<std::uint8_t>(rng() % 6);
        link.ParseDeviceFrame(f);
    }
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 85; s < kDeviceSlots; ++s) EXPECT_EQ(model.device.at(m, s), 0);
}

}  // namespace
}  // namespace vt
