// Capture files in and out: the program's pcapng writer read back through libpcap, the same
// traffic in each USB link type, which device's transfers are kept, and files that are not
// captures, damaged or cut short.
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "capture/capture_decode.h"
#include "capture/capture_reader.h"
#include "capture/pcap_builder.h"
#include "capture/pcapng_writer.h"
#include "capture/temp_dir.h"
#include "support/hex.h"
#include "support/protocol_examples.h"

namespace vt::test {
namespace {

using capture::CaptureReader;
using capture::Direction;
using capture::UnitTransfer;

std::unique_ptr<CaptureReader> openOrFail(const std::filesystem::path& file) {
    std::string why;
    auto reader = CaptureReader::open(file.string(), why);
    EXPECT_TRUE(reader) << why;
    return reader;
}

std::vector<UnitTransfer> readAll(CaptureReader& reader) {
    std::vector<UnitTransfer> out;
    while (auto t = reader.next()) out.push_back(std::move(*t));
    return out;
}

std::string describe(const std::vector<UnitTransfer>& transfers) {
    std::string text;
    for (const auto& t : transfers)
        text += std::to_string(t.micros) + (t.direction == Direction::Out ? " out " : " in ") +
                toHex(t.bytes) + "\n";
    return text;
}

TEST(CaptureWriter, ReportsComeBackThroughLibpcapAsWritten) {
    TempDir dir;
    const auto doc = documentExamples();
    const std::vector<capture::CapturedReport> reports = {
        {1'700'000'000'000'000, Direction::Out, hex(doc.at("hid_start_report"))},
        {1'700'000'000'001'250, Direction::In, hex(doc.at("hid_acknowledge"))},
        {1'700'000'001'000'000, Direction::Out, hex(doc.at("hid_write"))},
        {1'700'000'001'000'001, Direction::In, Bytes(64, 0x57)},  // a multiple of 4 bytes
    };
    std::string why;
    {
        auto writer = capture::PcapngWriter::create((dir / "w.pcapng").string(), "test", why);
        ASSERT_TRUE(writer) << why;
        for (const auto& r : reports) writer->record(r, {3, 7});
        EXPECT_EQ(writer->packets(), 4);
        EXPECT_EQ(writer->error(), "");
        // Each packet reaches the file as it is recorded, before the writer closes it.
        auto reader = openOrFail(dir / "w.pcapng");
        ASSERT_TRUE(reader);
        EXPECT_EQ(reader->linkType(), 220);
        const auto transfers = readAll(*reader);
        ASSERT_EQ(transfers.size(), reports.size()) << reader->problem();
        for (std::size_t i = 0; i < reports.size(); ++i) {
            EXPECT_EQ(transfers[i].micros, reports[i].micros - reports[0].micros);
            EXPECT_EQ(transfers[i].direction, reports[i].direction);
            EXPECT_EQ(toHex(transfers[i].bytes), toHex(reports[i].bytes));
        }
        EXPECT_EQ(reader->problem(), "");
    }
}

TEST(CaptureWriter, AFailedWriteIsKeptAndEndsTheRecording) {
    std::string why;
    EXPECT_FALSE(capture::PcapngWriter::create("/nonexistent-folder/x.pcapng", "test", why));
    EXPECT_EQ(why, "No such file or directory");

    auto writer = capture::PcapngWriter::create("/dev/full", "test", why);
    // /dev/full takes the open but no data: the headers already fail.
    EXPECT_FALSE(writer);
    EXPECT_EQ(why, "No space left on device");
}

// The same four transfers of the unit in each link type, with traffic of other devices around
// them: a mouse (described, 64-byte transfers too), a transfer of the unit with no data, a bulk
// transfer.
PcapFile sameTraffic(int linkType) {
    const auto doc = documentExamples();
    const Bytes start = hex(doc.at("hid_start_report"));
    const Bytes ack = hex(doc.at("hid_acknowledge"));
    const Bytes shortReport = hex("01 57 11 A7 00 FF 00 02");  // 8 bytes: kept for the unit
    const Bytes mouse(64, 0x11);
    PcapFile f(static_cast<std::uint32_t>(linkType));
    std::int64_t t = 1'700'000'000'000'000;
    auto add = [&](bool fromDevice, std::uint8_t device, std::uint8_t ep, std::uint8_t transfer,
                   const Bytes& data) {
        if (linkType == 249) {
            f.packet(t, usbpcapPacket(fromDevice, 2, device, ep, transfer, data));
        } else {
            f.packet(t, usbmonPacket(linkType == 189 ? 48 : 64, fromDevice ? 'C' : 'S', transfer,
                                     ep, 2, device, data));
        }
        t += 1000;
    };
    add(true, 4, 0x80, kControl, deviceDescriptor(0x046D, 0xC077));  // the mouse
    add(true, 9, 0x80, kControl, deviceDescriptor(0x0483, 0x690E));  // the unit
    add(false, 9, 0x81, kInterrupt, {});                             // an IN request
    add(false, 9, 0x01, kInterrupt, start);
    add(true, 4, 0x81, kInterrupt, mouse);
    add(true, 9, 0x01, kInterrupt, {});  // the OUT transfer's completion
    add(true, 9, 0x81, kInterrupt, ack);
    add(false, 9, 0x02, kBulk, start);
    add(true, 9, 0x81, kInterrupt, shortReport);
    add(true, 12, 0x81, kInterrupt, Bytes(65, 0x22));  // an undescribed device: 65 bytes kept
    add(true, 12, 0x81, kInterrupt, Bytes(8, 0x33));   // ...8 bytes are not
    return f;
}

TEST(CaptureReader, EachUsbLinkTypeGivesTheUnitsTransfers) {
    const auto doc = documentExamples();
    const std::string expected =
        "3000 out " + doc.at("hid_start_report") + "\n" + "6000 in " + doc.at("hid_acknowledge") +
        "\n" + "8000 in 01 57 11 A7 00 FF 00 02\n" + "9000 in " + toHex(Bytes(65, 0x22)) + "\n";
    TempDir dir;
    for (int type : {189, 220, 249}) {
        SCOPED_TRACE(type);
        const auto file = dir / (std::to_string(type) + ".pcap");
        sameTraffic(type).save(file);
        auto reader = openOrFail(file);
        ASSERT_TRUE(reader);
        EXPECT_EQ(describe(readAll(*reader)), expected);
        EXPECT_EQ(reader->problem(), "");
        EXPECT_EQ(reader->packets(), 11);
    }
}

TEST(CaptureReader, FilesThatAreNotUsbCapturesAreRefused) {
    TempDir dir;
    std::string why;
    PcapFile::saveBytes(dir / "text", hex("48 65 6C 6C 6F 0A"));
    EXPECT_FALSE(CaptureReader::open((dir / "text").string(), why));
    EXPECT_EQ(why.rfind("not a pcap or pcapng capture (", 0), 0u) << why;

    PcapFile(1).save(dir / "ethernet.pcap");
    EXPECT_FALSE(CaptureReader::open((dir / "ethernet.pcap").string(), why));
    EXPECT_EQ(why, "link type 1 is not USB traffic (usbmon 189 or 220, USBPcap 249)");

    EXPECT_FALSE(CaptureReader::open((dir / "missing").string(), why));
    EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
}

TEST(CaptureReader, DamageEndsTheReadAfterWhatCameBefore) {
    TempDir dir;
    const Bytes whole = sameTraffic(220).bytes();
    struct Case {
        std::string what;
        Bytes bytes;
        std::size_t transfers;
        std::string problem;
    };
    // Packet 4 (the start report) begins after the 24-byte file header and three packets of
    // 16 + 64 + 18, 16 + 64 and 16 + 64 + 0 bytes.
    const std::size_t packet4 = 24 + (16 + 64 + 18) * 2 + 16 + 64;
    Bytes shortHeader = PcapFile(220).bytes();
    {
        PcapFile f(220);
        f.packet(0, usbmonPacket(64, 'S', kInterrupt, 0x01, 1, 2, Bytes(65, 0)));
        f.packet(1, Bytes(40, 0));  // shorter than the usbmon header
        shortHeader = f.bytes();
    }
    Bytes badUsbpcap;
    {
        PcapFile f(249);
        Bytes p = usbpcapPacket(false, 1, 2, 0x01, kInterrupt, Bytes(65, 0));
        p[0] = 200;  // header longer than the packet
        f.packet(0, p);
        badUsbpcap = f.bytes();
    }
    const std::vector<Case> cases = {
        {"cut inside packet 5", Bytes(whole.begin(), whole.begin() + packet4 + 145 + 16 + 10), 1,
         "damaged or cut short after packet 4: truncated dump file; tried to read 128 "
         "captured bytes, only got 10"},
        {"cut inside a record header", Bytes(whole.begin(), whole.begin() + packet4 + 5), 0,
         "damaged or cut short after packet 3: truncated dump file; tried to read 16 header "
         "bytes, only got 5"},
        {"packet shorter than its header", shortHeader, 1,
         "packet 2 is damaged: shorter than its usbmon header (40 of 64 bytes)"},
        {"USBPcap header past the packet", badUsbpcap, 0,
         "packet 1 is damaged: USBPcap header of 200 bytes in a packet of 92"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PcapFile::saveBytes(dir / "cut.pcap", c.bytes);
        auto reader = openOrFail(dir / "cut.pcap");
        ASSERT_TRUE(reader);
        EXPECT_EQ(readAll(*reader).size(), c.transfers);
        EXPECT_EQ(reader->problem(), c.problem);
    }
}

TEST(CaptureDecode, TheSummaryListsTheWritesAndCountsWhatWasNotRead) {
    const auto doc = documentExamples();
    Bytes badAck = hex(doc.at("hid_acknowledge"));
    badAck.back() ^= 1;
    PcapFile f(220);
    std::int64_t t = 0;
    auto add = [&](Direction d, const Bytes& data) {
        f.packet(t += 1000, usbmonPacket(64, d == Direction::Out ? 'S' : 'C', kInterrupt,
                                         d == Direction::Out ? 0x01 : 0x81, 1, 2, data));
    };
    add(Direction::Out, hex(doc.at("hid_start_report")));
    add(Direction::In, badAck);
    add(Direction::Out, hex(doc.at("hid_write")));
    add(Direction::Out, hex(doc.at("hid_image_packet")));
    add(Direction::In, Bytes(64, 0xAA));
    add(Direction::In, Bytes(64, 0xAA));
    add(Direction::Out, Bytes(65, 0x07));
    TempDir dir;
    f.save(dir / "s.pcap");
    auto reader = openOrFail(dir / "s.pcap");
    ASSERT_TRUE(reader);
    std::ostringstream out;
    EXPECT_EQ(capture::decodeCapture(*reader, out, true), "");
    EXPECT_EQ(out.str(),
              "Compressor attack = 300\n"
              "Left delay = 1000\n"
              "Master volume = 1001\n"
              "Right delay = 1002\n"
              "Main left phase = 1003\n"
              "Compressor on/off = 1004\n"
              "Compressor attack = 1005\n"
              "Compressor release = 1006\n"
              "Main right phase = 1007\n"
              "Compressor curve = 1008\n"
              "Compressor curve = 1009\n"
              "reports: 7 (4 out, 3 in), 1 with a wrong checksum, 3 not read\n"
              "wrong checksum: 1 x in: ack\n"
              "not read: 2 x in: byte 1 is 0xAA, not the header 0x57\n"
              "not read: 1 x out: report ID 0x07 is neither a frame (0x01) nor the start report "
              "(0x02)\n");
}

TEST(CaptureDecode, ADamagedCaptureEndsWithTheReasonAfterTheLinesBeforeIt) {
    const Bytes whole = sameTraffic(249).bytes();
    TempDir dir;
    PcapFile::saveBytes(dir / "cut.pcap", std::span(whole).first(whole.size() - 70));
    auto reader = openOrFail(dir / "cut.pcap");
    ASSERT_TRUE(reader);
    std::ostringstream out;
    const std::string problem = capture::decodeCapture(*reader, out, false);
    EXPECT_EQ(problem.rfind("damaged or cut short after packet 9: truncated dump file", 0), 0u)
        << problem;
    std::istringstream lines(out.str());
    std::vector<std::string> kinds;
    for (std::string line; std::getline(lines, line);)
        kinds.push_back(line.substr(line.find("\"kind\"")));
    ASSERT_EQ(kinds.size(), 3u) << out.str();
    EXPECT_EQ(kinds[0].rfind("\"kind\":\"start\"", 0), 0u);
    EXPECT_EQ(kinds[1].rfind("\"kind\":\"ack\"", 0), 0u);
    EXPECT_EQ(kinds[2].rfind("\"kind\":\"unknown\"", 0), 0u);  // the 8-byte reply, cut short
}

}  // namespace
}  // namespace vt::test
