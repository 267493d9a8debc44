// Recording at the transport boundary: what the device took, in order and with the clock's time;
// what it refused, or what came while no device was attached, is not recorded.
#include <gtest/gtest.h>

#include "capture/capture_reader.h"
#include "capture/capture_tap.h"
#include "capture/temp_dir.h"
#include "link/recording_transport.h"
#include "support/hex.h"

namespace vt::test {
namespace {

using capture::Direction;

// A 65-byte report starting with these bytes: what a capture that does not describe the device
// keeps.
std::vector<std::uint8_t> report(const std::string& head) {
    std::vector<std::uint8_t> r = hex(head);
    r.resize(65, 0);
    return r;
}

TEST(CaptureTap, RecordsWhatPassesTheDeviceInUse) {
    TempDir dir;
    const auto file = (dir / "tap.pcapng").string();
    std::string why;
    auto writer = capture::PcapngWriter::create(file, "test", why);
    ASSERT_TRUE(writer) << why;
    std::int64_t now = 5'000'000;
    capture::CaptureTap tap(*writer, [&now] { return now += 250; });
    std::vector<std::string> failures;
    tap.setFailureHandler([&failures](const std::string& w) { failures.push_back(w); });

    RecordingTransport device;
    device.reportLength = 33;
    EXPECT_FALSE(tap.write(report("01 02")).ok);  // nothing attached
    tap.received(report("01 57"));
    tap.attach(&device, {1, 4});
    EXPECT_EQ(tap.outputReportLength(1), 33);
    EXPECT_TRUE(tap.isOpen());
    EXPECT_TRUE(tap.write(report("01 57 06")).ok);
    tap.received(report("01 57 11"));
    device.refuse = true;
    EXPECT_FALSE(tap.write(report("01 57 07")).ok);
    EXPECT_EQ(device.writes.size(), 1u);
    EXPECT_EQ(writer->packets(), 2);
    EXPECT_TRUE(failures.empty());

    auto reader = capture::CaptureReader::open(file, why);
    ASSERT_TRUE(reader) << why;
    auto first = reader->next();
    auto second = reader->next();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->direction, Direction::Out);
    EXPECT_EQ(toHex(first->bytes), toHex(report("01 57 06")));
    EXPECT_EQ(second->direction, Direction::In);
    EXPECT_EQ(toHex(second->bytes), toHex(report("01 57 11")));
    EXPECT_EQ(second->micros, 250);
    EXPECT_FALSE(reader->next());
}

}  // namespace
}  // namespace vt::test
