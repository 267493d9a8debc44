// Device listing and selection, and the UART framer.
#include <gtest/gtest.h>

#include "link/device_list.h"
#include "link/uart_framer.h"
#include "support/hex.h"

namespace vt {
namespace {

using test::hex;
using test::toHex;

TEST(DeviceList, ListsTheVendorsDevicesAndSelectsTheLastUnit) {
    const std::vector<HidDeviceInfo> present = {
        {"/dev/hidraw0", 0x046D, 0xC52B, "Receiver", ""},
        {"/dev/hidraw1", 0x0483, 0x690E, "DSP", "A1"},
        {"/dev/hidraw2", 0x0483, 0x5750, "Other", ""},
        {"/dev/hidraw3", 0x0483, 0x690E, "DSP", ""},
    };
    const DeviceListing l = HidCtlDeviceChange(present);
    ASSERT_EQ(l.lines.size(), 3u);
    EXPECT_EQ(l.lines[0], "DSPDevice VID=0483 PID=690E (自定义HID描述符=A1)");
    EXPECT_EQ(l.lines[1], "OtherDevice VID=0483 PID=5750");
    EXPECT_EQ(l.unit, 2);
    EXPECT_EQ(l.devices[2].path, "/dev/hidraw3");

    EXPECT_EQ(HidCtlDeviceChange({present[2]}).unit, -1);  // listed, never selected
    EXPECT_EQ(HidCtlDeviceChange({}).lines.size(), 0u);
}

class Framer : public ::testing::Test {
  protected:
    void SetUp() override {
        framer.setFrameHandler([this](const auto& f) { frames.push_back(toHex(f)); });
        framer.setAckHandler([this] { ++acks; });
    }
    void feed(const std::string& bytes) {
        const auto b = hex(bytes);
        framer.ComPortRxChar(b);
    }
    UartFramer framer;
    std::vector<std::string> frames;
    int acks = 0;
};

TEST_F(Framer, FramesAcknowledgesAndNoise) {
    const std::string status = "01 57 11 A7 00 FF 00 02 80 40 00 00 00 00 00 00 00 03 E8 12";
    feed("33 44 " + status + " FE BB 99 FE AA FE 12");
    EXPECT_EQ(frames, std::vector<std::string>{status});
    EXPECT_EQ(acks, 2);
    // A header whose command byte is neither write nor read is dropped; hunting goes on.
    feed("01 57 06 B0 01 57 06 A0 00 39 00 0A 00");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[1], "01 57 06 A0 00 39 00 0A 00");
}

TEST_F(Framer, BytesOneAtATimeAndABodyInALaterRead) {
    const std::string frame = "01 57 06 A7 01 05 12 34 AF";
    for (const auto b : hex(frame)) framer.ComPortRxChar(std::span(&b, 1));
    feed("01 57 06 A7");
    EXPECT_EQ(frames.size(), 1u);
    feed("01 05 12 34 AF");
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], frame);
    EXPECT_EQ(frames[1], frame);
    feed("01 57 00 A7 FE BB");  // a length of 0 ends the frame at its header
    EXPECT_EQ(frames.back(), "01 57 00 A7");
    EXPECT_EQ(acks, 1);
}

TEST_F(Framer, BytesArrivingWhileAHandlerRunsKeepTheirOrder) {
    // A frame handler may open a modal message box, and the serial port reads on in its event
    // loop: the bytes read there follow the rest of the read that is still being framed.
    const std::string error = "01 57 06 A7 00 FF 00 06 9C";
    const std::string ack = "01 57 06 A7 00 FF 00 02 A0";
    const std::string data = "01 57 06 A0 00 39 00 0A 00";
    bool nested = false;
    framer.setFrameHandler([&](const auto& f) {
        frames.push_back(toHex(f));
        if (nested) return;
        nested = true;
        feed("00 02 A0 " + data + " FE BB");  // the rest of the second frame, a third, an ack
    });
    feed(error + " 01 57 06 A7 00 FF");
    EXPECT_EQ(frames, (std::vector<std::string>{error, ack, data}));
    EXPECT_EQ(acks, 1);

    // A reset inside a handler (the port reopened) drops what was still waiting.
    nested = false;
    frames.clear();
    framer.setFrameHandler([&](const auto& f) {
        frames.push_back(toHex(f));
        if (nested) return;
        nested = true;
        framer.reset();
        feed(data);
    });
    feed(error + " 01 57 06");
    EXPECT_EQ(frames, (std::vector<std::string>{error, data}));
}

}  // namespace
}  // namespace vt
