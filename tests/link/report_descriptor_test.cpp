// Report lengths from HID report descriptors: vendor devices with 64- and 65-byte reports, a
// device with several report IDs, and descriptors that are cut short or lie about their sizes.
#include "link/report_descriptor.h"

#include <gtest/gtest.h>

#include "support/hex.h"

namespace vt {
namespace {

using test::hex;

// A vendor-page device without report IDs: one input and one output report of `count` bytes.
std::string vendorDescriptor(const std::string& count) {
    return "06 00 FF 09 01 A1 01 "
           "09 02 15 00 26 FF 00 75 08 95 " +
           count +
           " 81 02 "
           "09 03 15 00 26 FF 00 75 08 95 " +
           count +
           " 91 02 "
           "C0";
}

TEST(ReportDescriptor, VendorDevicesWithoutReportIds) {
    struct Case {
        const char* name;
        std::string count;
        int length;  // report ID byte (0) included
    } cases[] = {{"64-byte unit: ID 0 + 63", "3F", 64}, {"65-byte unit: ID 0 + 64", "40", 65}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = parseReportDescriptor(hex(vendorDescriptor(c.count)));
        ASSERT_TRUE(r);
        EXPECT_FALSE(r->numbered);
        EXPECT_EQ(r->outputLength(0x01), c.length);  // any ID goes to the one report
        EXPECT_EQ(r->outputLength(0x02), c.length);
        EXPECT_EQ(r->longestInput(), c.length);
    }
}

TEST(ReportDescriptor, SeveralReportIdsEachWithItsOwnLength) {
    // ID 1: 63-byte input and output; ID 2: 15-byte output (a bit field of 4 + 4 bits and 14
    // bytes); ID 3: a feature report, which is neither; ID 4: input only, inside push/pop, with
    // a long item in between.
    const auto d =
        hex("06 00 FF 09 01 A1 01 "
            "85 01 09 01 15 00 26 FF 00 75 08 95 3F 81 02 "
            "85 01 09 02 75 08 95 3F 91 02 "
            "85 02 09 03 75 04 95 02 91 02 75 08 95 0E 91 02 "
            "85 03 09 04 75 08 95 07 B1 02 "
            "A4 85 04 75 10 95 03 81 02 B4 "
            "FE 02 10 AA BB "
            "C0");
    const auto r = parseReportDescriptor(d);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->numbered);
    EXPECT_EQ(r->outputLength(1), 64);
    EXPECT_EQ(r->outputLength(2), 16);
    EXPECT_EQ(r->outputLength(9), 64) << "an undeclared ID takes the longest output report";
    EXPECT_EQ(r->input.at(1), 64);
    EXPECT_EQ(r->input.at(4), 7);
    EXPECT_FALSE(r->input.contains(3));
    EXPECT_FALSE(r->output.contains(3));
    EXPECT_EQ(r->longestInput(), 64);
}

TEST(ReportDescriptor, RefusesDescriptorsThatDoNotHoldTogether) {
    struct Case {
        const char* name;
        const char* bytes;
    } cases[] = {
        {"item cut short", "06 00 FF 09 01 A1 01 75 08 96 40"},
        {"long item cut short", "FE 08 10 00 01"},
        {"long item without its size", "FE"},
        {"pop without push", "B4"},
        {"report count beyond any report", "75 08 97 FF FF FF FF 91 02"},
        {"report size beyond any report", "77 FF FF FF FF 95 01 81 02"},
        {"bits that add up beyond any report", "75 08 96 00 0F 91 02 91 02 91 02"},
        {"pushes without end", "A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4 A4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(parseReportDescriptor(hex(c.bytes)));
    }
}

TEST(ReportDescriptor, NoReportsDeclaredLeavesTheLengthsOpen) {
    const auto r = parseReportDescriptor(hex("06 00 FF 09 01 A1 01 C0"));
    ASSERT_TRUE(r);
    EXPECT_FALSE(r->outputLength(1));
    EXPECT_FALSE(r->longestInput());
    EXPECT_TRUE(parseReportDescriptor({}));
}

}  // namespace
}  // namespace vt
