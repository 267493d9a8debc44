// The decoder on every HID frame layout of docs/protocol.md (its worked examples, read from the
// document) and on reports that fit none: each is named with its reason, never guessed at.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "capture/report_decoder.h"
#include "link/frames.h"
#include "support/hex.h"
#include "support/protocol_examples.h"

namespace vt::test {
namespace {

using capture::DecodedReport;
using capture::Direction;
using capture::ReportDecoder;
using Kind = DecodedReport::Kind;

constexpr auto kOut = Direction::Out;
constexpr auto kIn = Direction::In;

// A 65-byte output report of a frame given up to its last byte before the checksum (unmasked,
// so for a decoder that has seen no start report): the checksum goes in byte 29.
std::string plainFrame(const std::string& head) {
    std::vector<std::uint8_t> r = hex(head);
    r.resize(65, 0);
    r[29] = negativeChecksum(std::span(r).first(29));
    return toHex(r);
}

// A 65-byte input report: the frame's first bytes, filler, and the checksum in the last byte.
std::string inReport(const std::string& head) {
    std::vector<std::uint8_t> r = hex(head);
    r.resize(65, 0);
    r[64] = negativeChecksum(std::span(r).first(64));
    return toHex(r);
}

// A documented input report as a device without report IDs sends it: the header first, and the
// checksum over the bytes it has.
std::string withoutReportId(const std::string& documented) {
    std::vector<std::uint8_t> r = hex(documented.substr(3));
    r.back() = negativeChecksum(std::span(r).first(r.size() - 1));
    return toHex(r);
}

struct Expected {
    Kind kind;
    std::optional<int> command;
    std::optional<int> address;
    std::optional<int> value;
    std::string name;  // for an unknown report: its problem
    std::optional<bool> checksumOk = {};
    std::vector<capture::ParameterWrite> writes = {};
};

void check(const DecodedReport& d, const Expected& e) {
    EXPECT_EQ(capture::kindName(d.kind), capture::kindName(e.kind));
    EXPECT_EQ(d.command, e.command);
    EXPECT_EQ(d.address, e.address);
    EXPECT_EQ(d.value, e.value);
    EXPECT_EQ(e.kind == Kind::Unknown ? d.problem : d.name, e.name);
    EXPECT_EQ(d.checksumOk, e.checksumOk);
    ASSERT_EQ(d.writes.size(), e.writes.size());
    for (std::size_t i = 0; i < e.writes.size(); ++i) {
        EXPECT_EQ(d.writes[i].address, e.writes[i].address);
        EXPECT_EQ(d.writes[i].value, e.writes[i].value);
    }
}

struct Row {
    std::string what;
    Direction direction;
    std::string hex;
    Expected expected;
};

std::vector<capture::ParameterWrite> imageWrites() {
    std::vector<capture::ParameterWrite> w;
    for (int s = 0; s < 10; ++s) w.push_back({0x0100 + s, 1000 + s});
    return w;
}

TEST(ReportDecoder, EveryDocumentedHidFrameDecodesAfterTheStartReport) {
    const auto doc = documentExamples();
    // One connection, in the order the document shows it: the start report sets the mask
    // 5A 7A 50 AD AD AD that the command frames and the packet are scrambled with.
    const std::vector<Row> rows = {
        {"start report",
         kOut,
         doc.at("hid_start_report"),
         {Kind::Start, {}, {}, {}, "start report, link mask 5A 7A 50 AD AD AD", true}},
        {"acknowledge",
         kIn,
         doc.at("hid_acknowledge"),
         {Kind::Ack, 0xA7, 0x00FF, 2, "acknowledge, levels 128/64, master volume 291", true}},
        {"read request",
         kOut,
         doc.at("hid_read_request"),
         {Kind::Command, 0xA0, 0x0039, 0x0100, "read request: module 1, slots 0 to 9", true}},
        {"data packet",
         kIn,
         doc.at("hid_data_packet"),
         {Kind::Data, 0xA0, 0x0039, {}, "data packet: module 1, slots 0 to 9", true}},
        {"write",
         kOut,
         doc.at("hid_write"),
         {Kind::Command, 0xA7, 0x0105, 300, "Compressor attack", true, {{0x0105, 300}}}},
        {"image packet",
         kOut,
         doc.at("hid_image_packet"),
         {Kind::Packet,
          0xA7,
          0x0038,
          {},
          "image packet: module 1, slots 0 to 9",
          true,
          imageWrites()}},
        {"error reply",
         kIn,
         doc.at("hid_error_reply"),
         {Kind::Status, 0xA7, 0x00FF, 6, "error reply, levels 0/0, master volume 0", true}},
        {"keep-alive",
         kOut,
         doc.at("hid_keep_alive"),
         {Kind::Command, 0xA7, 0x003A, 0x66, "keep-alive", true}},
    };
    ReportDecoder decoder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        check(decoder.decode(row.direction, hex(row.hex)), row.expected);
    }
}

TEST(ReportDecoder, CommandsAndRepliesByName) {
    // Before any start report the mask is all zero, as the link's: plain frames decode.
    const std::vector<Row> rows = {
        {"write before the mask",
         kOut,
         documentExamples().at("hid_write_before_mask"),
         {Kind::Command, 0xA7, 0x0105, 300, "Compressor attack", true, {{0x0105, 300}}}},
        {"band gain",
         kOut,
         plainFrame("01 57 06 A7 01 16 00 1F"),
         {Kind::Command, 0xA7, 0x0116, 31, "Band 1 gain", true, {{0x0116, 31}}}},
        {"store",
         kOut,
         plainFrame("01 57 06 A7 00 0D 00 00"),
         {Kind::Command, 0xA7, 0x000D, 0, "store the settings", true}},
        {"restore",
         kOut,
         plainFrame("01 57 06 A7 00 0C 00 00"),
         {Kind::Command, 0xA7, 0x000C, 0, "restore the stored settings", true}},
        {"factory",
         kOut,
         plainFrame("01 57 06 A7 00 0C 00 55"),
         {Kind::Command, 0xA7, 0x000C, 85, "factory settings", true}},
        {"end of read",
         kOut,
         plainFrame("01 57 06 A7 00 3A 00 22"),
         {Kind::Command, 0xA7, 0x003A, 0x22, "end of read", true}},
        {"end of write",
         kOut,
         plainFrame("01 57 06 A7 00 3A 00 33"),
         {Kind::Command, 0xA7, 0x003A, 0x33, "end of write", true}},
        {"Bluetooth text",
         kOut,
         plainFrame("01 57 18 A7 00 36 41 42 43"),
         {Kind::Packet, 0xA7, 0x0036, {}, "Bluetooth text packet", true}},
        {"write outside the map",
         kOut,
         plainFrame("01 57 06 A7 04 00 00 01"),
         {Kind::Command, 0xA7, 0x0400, 1, "Slot 0x0400", true}},
        {"wrong checksum: not a write",
         kOut,
         "01 57 06 A7 01 05 01 2C 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 "
         "00",
         {Kind::Command, 0xA7, 0x0105, 300, "Compressor attack", false}},
        {"other status code",
         kIn,
         inReport("01 57 11 A7 00 FF 00 09 01 02"),
         {Kind::Status, 0xA7, 0x00FF, 9, "status reply 9, levels 1/2, master volume 0", true}},
        // A device without report IDs sends the header first.
        {"reply without report ID",
         kIn,
         withoutReportId(documentExamples().at("hid_acknowledge")),
         {Kind::Ack, 0xA7, 0x00FF, 2, "acknowledge, levels 128/64, master volume 291", true}},
    };
    ReportDecoder decoder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        std::vector<std::uint8_t> bytes = hex(row.hex);
        check(decoder.decode(row.direction, bytes), row.expected);
    }
}

TEST(ReportDecoder, ReportsThatFitNoFrameSayWhy) {
    const auto doc = documentExamples();
    const std::string ack = doc.at("hid_acknowledge");
    std::string foreignAddress = ack;
    foreignAddress.replace(15, 2, "40");  // byte 5
    std::string notForLink = ack;
    notForLink.replace(12, 2, "01");  // byte 4
    const std::vector<Row> rows = {
        {"masked frame, no start report",
         kOut,
         doc.at("hid_write"),
         {Kind::Unknown,
          {},
          {},
          {},
          "command 0xDD is neither a write (0xA7) nor a read request (0xA0) (no start report "
          "before it: mask unknown)"}},
        {"other report ID",
         kOut,
         "05 57 06 A7",
         {Kind::Unknown,
          {},
          {},
          {},
          "report ID 0x05 is neither a frame (0x01) nor the start report (0x02)"}},
        {"cut short",
         kOut,
         "01 57 06 A7 01 05 01 2C",
         {Kind::Unknown, {}, {}, {}, "frame cut short: 8 of 30 bytes"}},
        {"unknown command",
         kOut,
         plainFrame("01 57 06 B1 01 05 00 00"),
         {Kind::Unknown,
          {},
          {},
          {},
          "command 0xB1 is neither a write (0xA7) nor a read request (0xA0) (no start report "
          "before it: mask unknown)"}},
        {"length byte",
         kOut,
         plainFrame("01 57 07 A7 01 05 00 00"),
         {Kind::Unknown,
          {},
          {},
          {},
          "length byte 0x07 fits no frame to address 0x0105 (no start report before it: mask "
          "unknown)"}},
        {"read elsewhere",
         kOut,
         plainFrame("01 57 06 A0 01 05 00 00"),
         {Kind::Unknown,
          {},
          {},
          {},
          "read request to address 0x0105, not 0x0039 (no start report before it: mask "
          "unknown)"}},
        {"start report layout broken",
         kOut,
         "02 01 57 08 00 00 00 00 00 00 00 00 00 00 00 00",
         {Kind::Unknown, {}, {}, {}, "report ID 0x02 without the start report's layout"}},
        {"empty", kIn, "", {Kind::Unknown, {}, {}, {}, "empty report"}},
        {"no header",
         kIn,
         "01 58 11 A7",
         {Kind::Unknown, {}, {}, {}, "byte 1 is 0x58, not the header 0x57"}},
        {"not for the link", kIn, notForLink, {Kind::Unknown, {}, {}, {}, "byte 4 is 0x01, not 0"}},
        {"other address",
         kIn,
         foreignAddress,
         {Kind::Unknown,
          {},
          {},
          {},
          "address 0x0040 is neither a status reply (0x00FF) nor a data packet (0x0039)"}},
        {"data packet cut",
         kIn,
         doc.at("hid_data_packet").substr(0, 20 * 3 - 1),
         {Kind::Unknown,
          {},
          {},
          {},
          "frame cut short: its length byte 0x1A makes 29 bytes, the report holds 20"}},
        {"status cut",
         kIn,
         "01 57 11 A7 00 FF 00",
         {Kind::Unknown,
          {},
          {},
          {},
          "frame cut short: its length byte 0x11 makes 20 bytes, the report holds 7"}},
        {"status too short for its code",
         kIn,
         "01 57 03 A7 00 FF 00",
         {Kind::Unknown, {}, {}, {}, "status reply cut short before its status code"}},
        {"data packet without values",
         kIn,
         "01 57 06 A0 00 39 01 00 00 00",
         {Kind::Unknown, {}, {}, {}, "data packet whose length byte 0x06 announces no values"}},
    };
    ReportDecoder decoder;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        check(decoder.decode(row.direction, hex(row.hex)), row.expected);
    }
}

TEST(ReportDecoder, AStartReportWithWrongCheckBytesLeavesTheMask) {
    const auto doc = documentExamples();
    std::vector<std::uint8_t> broken = hex(doc.at("hid_start_report"));
    broken[4] ^= 0xFF;  // mask byte 0 no longer matches check byte 10
    ReportDecoder decoder;
    check(decoder.decode(kOut, hex(doc.at("hid_start_report"))),
          {Kind::Start, {}, {}, {}, "start report, link mask 5A 7A 50 AD AD AD", true});
    check(decoder.decode(kOut, broken),
          {Kind::Start, {}, {}, {}, "start report, link mask A5 7A 50 AD AD AD", false});
    // The unit refuses it and keeps the mask before it, and so does the decoder.
    EXPECT_EQ(decoder.decode(kOut, hex(doc.at("hid_write"))).kind, Kind::Command);
}

}  // namespace
}  // namespace vt::test
