// Output reports take the length the device declares: the link against simulated units of 64
// and 65 bytes that refuse any other length, and a device whose report IDs differ in length.
#include <gtest/gtest.h>

#include <map>

#include "link/link_fixture.h"
#include "link/recording_transport.h"
#include "support/hex.h"

namespace vt::test {
namespace {

TEST(ReportLength, TheLinkReadsAndWritesUnitsOfEitherLength) {
    for (const int length : {64, 65}) {
        SCOPED_TRACE(length);
        RecordingHost host;
        sim::VirtualRig rig(host, TransportKind::UsbHid, 1, length);
        ASSERT_TRUE(rig.connect());
        for (int m = 0; m < kModuleCount; ++m)
            for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
                ASSERT_EQ(rig.model.device.at(m, s), rig.unit.image().at(m, s));

        rig.model.SendDatatoMCU(makeAddress(kMainModule, 5), 300);
        rig.model.device.set(kAuxModule, 66, 4321);
        rig.link.DisCheckWindow(kOpWriteImage);
        ASSERT_TRUE(rig.settle());
        EXPECT_EQ(rig.unit.image().at(kMainModule, 5), 300);
        EXPECT_EQ(rig.unit.image().at(kAuxModule, 66), 4321);
        EXPECT_EQ(rig.unit.rejectedFrames(), 0);
    }
}

TEST(ReportLength, AUnitRefusesReportsOfAnotherLength) {
    sim::SimulatedUnit unit(TransportKind::UsbHid, 1, 64);
    RecordingTransport transport;
    FrameWriter writer;
    writer.setTransport(&transport);
    for (const int length : {65, 63, 64}) {
        transport.reportLength = length;
        writer.PCtoMCUAckSign(link::kSignKeepAlive);
        unit.receive(transport.writes.back(), std::chrono::milliseconds(0));
    }
    EXPECT_EQ(unit.rejectedFrames(), 2);
    ASSERT_TRUE(unit.hasAnswer());
    EXPECT_EQ(unit.popAnswer().bytes.size(), 64u) << "its answers have its length too";
    EXPECT_FALSE(unit.hasAnswer());
}

// Report ID 1 (frames) and report ID 2 (the start report) declared with different lengths.
struct NumberedTransport : RecordingTransport {
    std::map<std::uint8_t, int> lengths{{0x01, 64}, {0x02, 16}};
    int outputReportLength(std::uint8_t id) const override { return lengths.at(id); }
};

TEST(ReportLength, EachReportTakesTheLengthOfItsId) {
    NumberedTransport transport;
    RecordingFrameHost host;
    FrameWriter writer;
    writer.setTransport(&transport);
    writer.setHost(&host);
    writer.PCtoMCUAckSign(link::kSignStart);
    writer.SendData(link::kCmdWrite, 0x0105, 300);
    writer.SendPacktData(link::kCmdWrite, link::kAddrImagePacket, 20);
    ASSERT_EQ(transport.writes.size(), 3u);
    EXPECT_EQ(transport.writes[0].size(), 16u);
    EXPECT_EQ(transport.writes[1].size(), 64u);
    EXPECT_EQ(transport.writes[2].size(), 64u);
    // The start report's history line lists the 15 bytes written after its ID.
    EXPECT_EQ(host.history[0], "W 02  01 57 07 00 00 00 00 00 00 55 54 57 56 51 50 ");
}

}  // namespace
}  // namespace vt::test
