// Link constants: header bytes, command codes, special addresses and control sign codes.
#pragma once

#include <cstdint>

namespace vt::link {

inline constexpr std::uint8_t kHeader0 = 0x01;
inline constexpr std::uint8_t kHeader1 = 0x57;
inline constexpr std::uint8_t kCmdWrite = 0xA7;
inline constexpr std::uint8_t kCmdRead = 0xA0;
inline constexpr std::uint8_t kStartReportId = 0x02;
inline constexpr std::uint8_t kStartMode = 0x01;
inline constexpr std::uint8_t kStartByte3 = 0x07;
inline constexpr std::uint8_t kCheckConstant = 0x55;

inline constexpr std::uint16_t kAddrRecall = 0x000C;
inline constexpr std::uint16_t kAddrStore = 0x000D;
inline constexpr std::uint16_t kAddrBluetooth = 0x0036;
inline constexpr std::uint16_t kAddrImagePacket = 0x0038;
inline constexpr std::uint16_t kAddrReadRequest = 0x0039;
inline constexpr std::uint16_t kAddrSign = 0x003A;
inline constexpr std::uint16_t kAddrStatus = 0x00FF;

inline constexpr int kSignStart = 0x11;
inline constexpr int kSignEndRead = 0x22;
inline constexpr int kSignEndWrite = 0x33;
inline constexpr int kSignKeepAlive = 0x66;

inline constexpr std::uint16_t kRecallFactory = 85;

inline constexpr int kPayloadSize = 24;    // payload area at the start of the frame buffer
inline constexpr int kHidFrameBytes = 30;  // bytes 0..29 of a HID command or packet frame

}  // namespace vt::link
