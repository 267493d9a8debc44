// The committed USBPcap capture fixture, usbpcap_unit.pcap: built here field by field from the
// documented layouts (the USBPcap packet header, and the worked examples of docs/protocol.md
// with the link mask 5A 7A 50 AD AD AD), it must equal the committed file byte for byte, and
// decode to usbpcap_unit.jsonl exactly. The end-to-end test runs the command on the same pair.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

#include "capture/capture_decode.h"
#include "capture/pcap_builder.h"
#include "support/protocol_examples.h"

namespace vt::test {
namespace {

const std::filesystem::path kFixtures = VORTELLA_SOURCE_DIR "/tests/capture";

Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A Windows machine's capture on root hub 1: a mouse (device 3), the unit (device 5) and a
// device the capture does not describe (device 7).
PcapFile buildFixture() {
    const auto doc = documentExamples();
    Bytes corruptAck = hex(doc.at("hid_acknowledge"));
    corruptAck.back() = 0x0C;  // one more than the checksum
    PcapFile f(249);
    std::int64_t t = 1'700'000'000'000'000;
    auto at = [&](std::int64_t ms, bool fromDevice, std::uint16_t device, std::uint8_t endpoint,
                  std::uint8_t transfer, const Bytes& data) {
        f.packet(t + ms * 1000, usbpcapPacket(fromDevice, 1, device, endpoint, transfer, data));
    };
    at(0, true, 3, 0x80, kControl, deviceDescriptor(0x046D, 0xC077));
    at(1, true, 5, 0x80, kControl, deviceDescriptor(0x0483, 0x690E));
    at(2, false, 5, 0x81, kInterrupt, {});  // the host asks for an input report
    at(100, false, 5, 0x01, kInterrupt, hex(doc.at("hid_start_report")));
    at(101, true, 5, 0x01, kInterrupt, {});  // its completion carries no data
    at(102, true, 3, 0x81, kInterrupt, hex("00 01 FF 00"));
    at(103, true, 5, 0x81, kInterrupt, hex(doc.at("hid_acknowledge")));
    at(150, false, 5, 0x01, kInterrupt, hex(doc.at("hid_read_request")));
    at(152, true, 5, 0x81, kInterrupt, hex(doc.at("hid_data_packet")));
    at(200, false, 5, 0x01, kInterrupt, hex(doc.at("hid_write")));
    at(202, true, 5, 0x81, kInterrupt, corruptAck);
    at(250, false, 5, 0x01, kInterrupt, hex(doc.at("hid_image_packet")));
    at(252, true, 5, 0x81, kInterrupt, hex(doc.at("hid_error_reply")));
    at(253, true, 3, 0x81, kInterrupt, Bytes(64, 0x44));  // the mouse's: not the unit
    at(300, false, 5, 0x01, kInterrupt, hex(doc.at("hid_keep_alive")));
    at(301, true, 7, 0x81, kInterrupt, Bytes(64, 0xAA));  // undescribed, 64 bytes: kept
    at(302, true, 7, 0x81, kInterrupt, Bytes(8, 0xAA));   // undescribed, 8 bytes: not
    return f;
}

TEST(UsbpcapFixture, IsBuiltFromTheDocumentedLayouts) {
    const Bytes built = buildFixture().bytes();
    if (built != fileBytes(kFixtures / "usbpcap_unit.pcap")) {
        const auto copy = std::filesystem::temp_directory_path() / "usbpcap_unit.pcap";
        PcapFile::saveBytes(copy, built);
        FAIL() << "tests/capture/usbpcap_unit.pcap differs from the layouts; built: " << copy;
    }
}

TEST(UsbpcapFixture, DecodesExactly) {
    std::string why;
    auto reader = capture::CaptureReader::open((kFixtures / "usbpcap_unit.pcap").string(), why);
    ASSERT_TRUE(reader) << why;
    std::ostringstream out;
    EXPECT_EQ(capture::decodeCapture(*reader, out, false), "");
    const Bytes expected = fileBytes(kFixtures / "usbpcap_unit.jsonl");
    EXPECT_EQ(out.str(), std::string(expected.begin(), expected.end()));
}

}  // namespace
}  // namespace vt::test
