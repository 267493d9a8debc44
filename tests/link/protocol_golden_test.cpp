// The worked examples of docs/protocol.md, byte for byte: every hex block the document marks
// with "<!-- golden: name -->" is compared with the frame this program builds (or, for frames
// from the unit, with what the simulated unit sends and the parser takes).
#include <gtest/gtest.h>

#include <map>

#include "link/link_fixture.h"
#include "link/transfer_layout.h"
#include "sim/unit_answers.h"
#include "support/hex.h"
#include "support/protocol_examples.h"

namespace vt::test {
namespace {

const LinkMask kMask = buildLinkMask({13, 45, 7, 250});  // 13:45:07.250

struct Written {
    RecordingTransport transport;
    FrameWriter writer;
    explicit Written(TransportKind form, const LinkMask& mask = kMask) {
        transport.form = form;
        writer.setTransport(&transport);
        writer.setMask(mask);
    }
    std::string last() const { return toHex(transport.writes.back()); }
};

// The first image packet of a preset write (module 1, slots 0 to 9 = 1000 to 1009).
std::string imagePacket(TransportKind form) {
    RecordingHost host;
    ParameterModel model;
    StubTimer hold, connect, transfer;
    RecordingTransport transport;
    transport.form = form;
    Link link{model, host, LinkTimers{hold, connect, transfer}};
    link.setTransport(&transport);
    link.writer().setMask(kMask);
    for (int s = 0; s < 10; ++s) model.device.set(kMainModule, s, 1000 + s);
    link.setLinkState(kConnected);
    link.DisCheckWindow(kOpWriteImage);
    return toHex(transport.writes.at(0));
}

std::map<std::string, std::string> builtFrames() {
    std::map<std::string, std::string> f;
    {
        Written w(TransportKind::UsbHid, LinkMask{});
        w.writer.SendData(link::kCmdWrite, 0x0105, 300);
        f["hid_write_before_mask"] = toHex(std::span(w.transport.writes.back()).first(30));
    }
    Written hid(TransportKind::UsbHid);
    hid.writer.SendData(link::kCmdWrite, 0x0105, 300);
    f["hid_write"] = hid.last();
    hid.writer.SendData(link::kCmdRead, link::kAddrReadRequest, 0x0100);
    f["hid_read_request"] = hid.last();
    hid.writer.PCtoMCUAckSign(link::kSignStart);
    f["hid_start_report"] = hid.last();
    hid.writer.PCtoMCUAckSign(link::kSignKeepAlive);
    f["hid_keep_alive"] = hid.last();

    Written uart(TransportKind::Uart);
    uart.writer.SendData(link::kCmdWrite, 0x0105, 300);
    f["uart_write"] = uart.last();
    uart.writer.SendData(link::kCmdRead, link::kAddrReadRequest, 0x0100);
    f["uart_read_request"] = uart.last();

    f["hid_image_packet"] = imagePacket(TransportKind::UsbHid);
    f["uart_image_packet"] = imagePacket(TransportKind::Uart);

    const sim::StatusFields ack{2, 0x80, 0x40, 0x0123};
    const sim::StatusFields error{6, 0, 0, 0};
    const std::array<std::uint16_t, 10> values{1000, 1001, 1002, 1003, 1004,
                                               1005, 1006, 1007, 1008, 1009};
    for (const auto& [prefix, form] :
         {std::pair{"hid", TransportKind::UsbHid}, std::pair{"uart", TransportKind::Uart}}) {
        const std::string p = prefix;
        f[p + "_acknowledge"] = toHex(sim::statusReply(form, ack));
        f[p + "_error_reply"] = toHex(sim::statusReply(form, error));
        f[p + "_data_packet"] = toHex(sim::dataPacket(form, 1, 0, values));
    }
    f["uart_short_acknowledge"] = toHex(sim::uartAcknowledge());
    return f;
}

TEST(ProtocolDocument, EveryWorkedExampleIsTheFrameThisProgramBuilds) {
    const auto documented = documentExamples();
    const auto built = builtFrames();
    for (const auto& [name, bytes] : built) {
        SCOPED_TRACE(name);
        if (!documented.contains(name)) {
            ADD_FAILURE() << "not in docs/protocol.md; built:\n" << bytes;
            continue;
        }
        EXPECT_EQ(documented.at(name), bytes);
    }
    for (const auto& [name, bytes] : documented)
        EXPECT_TRUE(built.contains(name)) << name << " is documented but not checked";
}

TEST(ProtocolDocument, TheUnitsExamplesMeanWhatTheDocumentSays) {
    const auto documented = documentExamples();
    RecordingHost host;
    ParameterModel model;
    StubTimer hold, connect, transfer;
    Link link{model, host, LinkTimers{hold, connect, transfer}};
    link.ParseDeviceFrame(hex(documented.at("hid_data_packet")));
    for (int s = 0; s < 10; ++s) EXPECT_EQ(model.device.at(kMainModule, s), 1000 + s);
    link.ParseDeviceFrame(hex(documented.at("hid_acknowledge")));
    EXPECT_EQ(link.sendState().answerFlag, 1);
    ASSERT_FALSE(host.volumes.empty());
    EXPECT_EQ(host.volumes.back(), 0x0123);
    EXPECT_TRUE(host.memo.empty()) << "a documented checksum is wrong";
}

}  // namespace
}  // namespace vt::test
