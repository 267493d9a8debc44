// Frame layouts of both directions, checked one byte at a time; the frame code of the link reads
// the unit's answers, and the parameter names come from the model.
#include "capture/report_decoder.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>

#include "link/device_frame.h"
#include "link/link_constants.h"
#include "link/transfer_layout.h"
#include "model/modules.h"
#include "model/number_text.h"
#include "model/slot_names.h"

namespace vt::capture {
namespace {

using namespace link;

std::string hex2(unsigned byte) {
    return "0x" + hexByte(static_cast<std::uint8_t>(byte));
}

std::string hex4(unsigned word) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", word & 0xFFFF);
    return text;
}

DecodedReport unknown(std::string why) {
    DecodedReport d;
    d.problem = std::move(why);
    return d;
}

// A parameter of the unit's map: modules 0 to 3 below their slot counts, less the store and
// restore commands.
bool isParameter(int address) {
    const int module = moduleOf(address);
    if (module >= kModuleCount) return false;
    if (address == slot_ids::kSysStore || address == slot_ids::kSysRecall) return false;
    return slotOf(address) < kSlotCount[static_cast<std::size_t>(module)];
}

std::string slotRange(int module, int first, int count) {
    return "module " + std::to_string(module) + ", slots " + std::to_string(first) + " to " +
           std::to_string(first + count - 1);
}

std::string commandName(int command, int address, int value) {
    if (command == kCmdRead) return "read request: " + slotRange(value >> 8, value & 0xFF, 10);
    switch (address) {
        case kAddrSign:
            if (value == kSignEndRead) return "end of read";
            if (value == kSignEndWrite) return "end of write";
            if (value == kSignKeepAlive) return "keep-alive";
            return "control sign " + hex4(static_cast<unsigned>(value));
        case kAddrRecall:
            if (value == 0) return "restore the stored settings";
            if (value == kRecallFactory) return "factory settings";
            return "recall " + std::to_string(value);
        case kAddrStore:
            return "store the settings";
        default:
            return slotName(address);
    }
}

std::string maskLine(const LinkMask& mask) {
    std::string text;
    for (auto b : mask) text += (text.empty() ? "" : " ") + hexByte(b);
    return text;
}

}  // namespace

std::string_view kindName(DecodedReport::Kind kind) {
    switch (kind) {
        case DecodedReport::Kind::Start:
            return "start";
        case DecodedReport::Kind::Command:
            return "command";
        case DecodedReport::Kind::Packet:
            return "packet";
        case DecodedReport::Kind::Status:
            return "status";
        case DecodedReport::Kind::Data:
            return "data";
        case DecodedReport::Kind::Ack:
            return "ack";
        case DecodedReport::Kind::Unknown:
            break;
    }
    return "unknown";
}

DecodedReport ReportDecoder::decode(Direction direction, std::span<const std::uint8_t> report) {
    if (report.empty()) return unknown("empty report");
    return direction == Direction::Out ? decodeOut(report) : decodeIn(report);
}

DecodedReport ReportDecoder::decodeOut(std::span<const std::uint8_t> report) {
    if (report[0] == kStartReportId) {
        const auto start = readStartReport(report);
        if (!start) return unknown("report ID 0x02 without the start report's layout");
        DecodedReport d;
        d.kind = DecodedReport::Kind::Start;
        d.name = "start report, link mask " + maskLine(start->mask);
        d.checksumOk = start->checked;
        // The unit refuses a start report whose check bytes fail, and keeps its mask.
        if (start->checked) {
            m_mask = start->mask;
            m_maskSeen = true;
        }
        return d;
    }
    if (report[0] != kHeader0)
        return unknown("report ID " + hex2(report[0]) +
                       " is neither a frame (0x01) nor the start report (0x02)");
    if (report.size() < static_cast<std::size_t>(kHidFrameBytes))
        return unknown("frame cut short: " + std::to_string(report.size()) + " of " +
                       std::to_string(kHidFrameBytes) + " bytes");

    std::array<std::uint8_t, kHidFrameBytes> f{};
    std::copy_n(report.begin(), f.size(), f.begin());
    applyLinkMask(f, m_mask);
    const std::string maskNote = m_maskSeen ? "" : " (no start report before it: mask unknown)";
    if (f[1] != kHeader1) return unknown("byte 1 is " + hex2(f[1]) + ", not the header 0x57");

    const int command = f[3];
    const int address = f[4] << 8 | f[5];
    const bool packet = address == kAddrImagePacket || address == kAddrBluetooth;
    const int length = packet ? kHidImagePacketSize + 4 : 6;
    if (command != kCmdWrite && command != kCmdRead)
        return unknown("command " + hex2(static_cast<unsigned>(command)) +
                       " is neither a write (0xA7) nor a read request (0xA0)" + maskNote);
    if (f[2] != length)
        return unknown("length byte " + hex2(f[2]) + " fits no frame to address " +
                       hex4(static_cast<unsigned>(address)) + maskNote);
    if (command == kCmdRead && address != kAddrReadRequest)
        return unknown("read request to address " + hex4(static_cast<unsigned>(address)) +
                       ", not 0x0039" + maskNote);

    DecodedReport d;
    d.command = command;
    d.address = address;
    d.checksumOk = std::accumulate(f.begin(), f.end(), 0u) % 256 == 0;
    if (!packet) {
        d.kind = DecodedReport::Kind::Command;
        d.value = f[6] << 8 | f[7];
        d.name = commandName(command, address, *d.value);
        if (*d.checksumOk && command == kCmdWrite && isParameter(address))
            d.writes.push_back({address, *d.value});
        return d;
    }
    d.kind = DecodedReport::Kind::Packet;
    if (address == kAddrBluetooth) {
        d.name = "Bluetooth text packet";
        return d;
    }
    const int module = f[6];
    const int first = f[7];
    d.name = "image packet: " + slotRange(module, first, kValuesPerPacket);
    if (!*d.checksumOk) return d;
    for (int j = 0; j < kValuesPerPacket; ++j) {
        const int at = makeAddress(module, first + j);
        const auto i = static_cast<std::size_t>(8 + 2 * j);
        if (first + j < 256 && isParameter(at)) d.writes.push_back({at, f[i] << 8 | f[i + 1]});
    }
    return d;
}

DecodedReport ReportDecoder::decodeIn(std::span<const std::uint8_t> report) const {
    // A device without report IDs sends the frame header first; the reader of the program puts
    // a 0 in front of such a report, and so does this.
    std::vector<std::uint8_t> numbered;
    std::span<const std::uint8_t> f = report;
    if (report[0] == kHeader1) {
        numbered.push_back(0);
        numbered.insert(numbered.end(), report.begin(), report.end());
        f = numbered;
    }
    const DeviceFrame frame = decodeDeviceFrame(f);
    switch (frame.kind) {
        case DeviceFrame::Kind::Foreign:
            return unknown(f.size() < 2 ? "report of one byte"
                                        : "byte 1 is " + hex2(f[1]) + ", not the header 0x57");
        case DeviceFrame::Kind::NotForLink:
            return unknown(frame.byte4 && *frame.byte4 != 0
                               ? "byte 4 is " + hex2(*frame.byte4) + ", not 0"
                               : "frame cut short before its address");
        case DeviceFrame::Kind::Other:
            return unknown("address " + hex4(static_cast<unsigned>(f[4] << 8 | f[5])) +
                           " is neither a status reply (0x00FF) nor a data packet (0x0039)");
        case DeviceFrame::Kind::DataPacket:
        case DeviceFrame::Kind::StatusReply:
            break;
    }

    // The frame is its length byte plus 3 bytes; on HID the report may be longer.
    const std::size_t frameBytes = f[2] + 3u;
    if (f.size() < frameBytes)
        return unknown("frame cut short: its length byte " + hex2(f[2]) + " makes " +
                       std::to_string(frameBytes) + " bytes, the report holds " +
                       std::to_string(f.size()));

    DecodedReport d;
    d.command = f[3];
    d.address = f[4] << 8 | f[5];
    d.checksumOk = frame.checksumOk;
    if (frame.kind == DeviceFrame::Kind::StatusReply) {
        if (!frame.statusCode) return unknown("status reply cut short before its status code");
        const int code = *frame.statusCode;
        d.value = code;
        d.kind = isAcknowledge(frame.statusCode.value()) ? DecodedReport::Kind::Ack
                                                         : DecodedReport::Kind::Status;
        d.name = d.kind == DecodedReport::Kind::Ack ? "acknowledge"
                 : code == kStatusError             ? "error reply"
                                                    : "status reply " + std::to_string(code);
        if (frame.leftLevel && frame.rightLevel)
            d.name += ", levels " + std::to_string(*frame.leftLevel) + "/" +
                      std::to_string(*frame.rightLevel);
        if (frame.masterVolume) d.name += ", master volume " + std::to_string(*frame.masterVolume);
        return d;
    }
    const int announced = (static_cast<int>(f[2]) - 6) / 2;
    if (!frame.module || !frame.firstSlot)
        return unknown("data packet cut short before its module and first slot");
    if (announced <= 0)
        return unknown("data packet whose length byte " + hex2(f[2]) + " announces no values");
    d.kind = DecodedReport::Kind::Data;
    d.name = "data packet: " + slotRange(*frame.module, *frame.firstSlot, announced);
    return d;
}

}  // namespace vt::capture
