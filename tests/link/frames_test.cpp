// Command frames, packet frames and the start report, byte by byte in both forms.
#include "link/frames.h"

#include <gtest/gtest.h>

#include <numeric>

#include "link/recording_transport.h"
#include "support/hex.h"

namespace vt {
namespace {

using test::toHex;

class HidFrames : public ::testing::Test {
  protected:
    void SetUp() override {
        writer.setTransport(&transport);
        writer.setHost(&host);
    }
    std::vector<std::uint8_t> first30(std::size_t i = 0) const {
        return {transport.writes.at(i).begin(), transport.writes.at(i).begin() + 30};
    }
    test::RecordingTransport transport;
    test::RecordingFrameHost host;
    FrameWriter writer;
};

TEST_F(HidFrames, CommandFrameWithoutMask) {
    writer.SendData(0xA7, 0x0105, 0x1234);
    ASSERT_EQ(transport.writes.size(), 1u);
    EXPECT_EQ(transport.writes[0].size(), 65u);
    // 01+57+06+A7+01+05+12+34 = 0x151; checksum 0x100 - 0x51 = 0xAF
    EXPECT_EQ(toHex(first30()),
              "01 57 06 A7 01 05 12 34 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
              "00 AF");
    EXPECT_EQ(host.reportId, "01");
    ASSERT_EQ(host.history.size(), 1u);
    EXPECT_EQ(
        host.history[0],
        "WW 01  01 57 06 A7 01 05 12 34 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
        "00 00 ");
    EXPECT_EQ(host.history[0].size(), 7u + 29u * 3u);
}

TEST_F(HidFrames, MaskScramblesBytesTwoToSevenAfterTheChecksum) {
    const LinkMask mask{0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
    writer.setMask(mask);
    writer.SendData(0xA7, 0x0105, 0x1234);
    auto f = first30();
    EXPECT_EQ(toHex(std::span(f).first(8)), "01 57 17 85 32 41 47 52");
    EXPECT_EQ(f[29], 0xAF);  // unchanged by scrambling
    for (std::size_t i = 0; i < 6; ++i) f[2 + i] ^= mask[i];
    EXPECT_EQ(std::accumulate(f.begin(), f.end(), 0u) % 256, 0u);
    // The history shows the unscrambled bytes.
    EXPECT_EQ(host.history[0].substr(0, 31), "WW 01  01 57 06 A7 01 05 12 34 ");
}

TEST_F(HidFrames, LeftoverPayloadBytesCountInTheCommandChecksum) {
    for (std::size_t i = 0; i < 24; ++i) writer.payload()[i] = static_cast<std::uint8_t>(i + 1);
    writer.setMask({0x5A, 0x5A, 0x5A, 0x5A, 0x5A, 0x5A});
    writer.SendData(0xA7, 0x003A, 0x0066);
    auto f = first30();
    EXPECT_EQ(toHex(std::span(f).subspan(8, 16)),
              "09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18");
    for (std::size_t i = 2; i < 8; ++i) f[i] ^= 0x5A;
    EXPECT_EQ(std::accumulate(f.begin(), f.end(), 0u) % 256, 0u);
}

TEST_F(HidFrames, PacketFrameCarries23PayloadBytes) {
    for (std::size_t i = 0; i < 24; ++i) writer.payload()[i] = static_cast<std::uint8_t>(0xB0 + i);
    writer.SendPacktData(0xA7, 0x0038, 20);
    const auto f = first30();
    EXPECT_EQ(toHex(std::span(f).first(6)), "01 57 18 A7 00 38");
    EXPECT_EQ(f[6], 0xB0);
    EXPECT_EQ(f[28], 0xB0 + 22);
    EXPECT_EQ(std::accumulate(f.begin(), f.end(), 0u) % 256, 0u);
    // "W 01  " then bytes 1 .. DataSize + 4.
    EXPECT_EQ(host.history[0],
              "W 01  57 18 A7 00 38 B0 B1 B2 B3 B4 B5 B6 B7 B8 B9 BA BB BC BD BE BF C0 C1 C2 ");
}

TEST_F(HidFrames, StartReportCheckBytes) {
    const LinkMask mask = buildLinkMask({13, 45, 7, 0x2C5});  // ms low byte 0xC5
    EXPECT_EQ(toHex(mask), "5A 7A 50 92 92 92");
    writer.setMask(mask);
    writer.PCtoMCUAckSign(0x11);
    const auto& r = transport.writes.at(0);
    ASSERT_EQ(r.size(), 65u);
    EXPECT_EQ(toHex(std::span(r).first(16)), "02 01 57 07 5A 7A 50 92 92 92 0F 2E 07 C4 C3 C2");
    for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(r[10 + i] ^ r[4 + i], 0x55 ^ i);
    EXPECT_EQ(host.reportId, "02");
    EXPECT_EQ(host.history[0].substr(0, 18), "W 02  01 57 07 5A ");
    EXPECT_EQ(host.history[0].size(), 6u + 64u * 3u);
}

TEST_F(HidFrames, ControlSignsAreCommandFrames) {
    writer.PCtoMCUAckSign(0x22);
    writer.PCtoMCUAckSign(0x66);
    const auto a = first30(0);
    const auto b = first30(1);
    EXPECT_EQ(toHex(std::span(a).first(8)), "01 57 06 A7 00 3A 00 22");
    EXPECT_EQ(toHex(std::span(b).first(8)), "01 57 06 A7 00 3A 00 66");
}

TEST_F(HidFrames, NoDeviceWritesNothingAndRefusedWriteLeavesAnErrorLine) {
    transport.open = false;
    writer.SendData(0xA7, 0x0105, 1);
    EXPECT_TRUE(transport.writes.empty());
    EXPECT_TRUE(host.history.empty());

    transport.open = true;
    transport.refuse = true;
    writer.SendData(0xA7, 0x0105, 1);
    ASSERT_EQ(host.history.size(), 1u);
    EXPECT_EQ(host.history[0],
              "WRITE ERROR: A device attached to the system is not functioning. (1F)");
}

TEST(UartFrames, CommandAndPacketForms) {
    test::RecordingTransport uart;
    uart.form = TransportKind::Uart;
    test::RecordingFrameHost host;
    FrameWriter writer;
    writer.setTransport(&uart);
    writer.setHost(&host);
    writer.setMask({1, 2, 3, 4, 5, 6});  // never applied on UART

    writer.SendData(0xA7, 0x0105, 0x1234);
    EXPECT_EQ(toHex(uart.writes.at(0)), "01 57 06 A7 01 05 12 34 AF");

    for (std::size_t i = 0; i < 24; ++i) writer.payload()[i] = static_cast<std::uint8_t>(i);
    writer.SendPacktData(0xA7, 0x0036, 20);
    const auto& p = uart.writes.at(1);
    ASSERT_EQ(p.size(), 27u);
    EXPECT_EQ(toHex(std::span(p).first(6)), "01 57 18 A7 00 36");
    // (A7 + 01 + 00 + 36 + 0+1+...+19) mod 256 = (0xDE + 190) mod 256 = 0x9C; XOR 0x57 = 0xCB
    EXPECT_EQ(p.back(), 0xCB);

    writer.SendPacktData(0xA7, 0x0038, 0);
    EXPECT_EQ(toHex(uart.writes.at(2)), "01 57 04 A7 00 38 B7");
    writer.Send_StartSign(1, 0x57);  // HID only
    EXPECT_EQ(uart.writes.size(), 3u);
    EXPECT_TRUE(host.history.empty());  // UART writes leave no history line

    uart.open = false;
    writer.SendData(0xA7, 0x0105, 0x1234);
    EXPECT_EQ(uart.writes.size(), 3u);
}

}  // namespace
}  // namespace vt
