// How the unit's image is cut into packets of ten slots for a bulk read or write: packets per
// module, the last module, and the slots a data packet may fill. Shared by the link and the unit.
#pragma once

#include "model/modules.h"

namespace vt::link {

inline constexpr int kLastStep = 3;           // the last module of a transfer
inline constexpr int kValuesPerPacket = 10;   // slots per read request or image packet
inline constexpr int kDataPacketLength = 26;  // length byte of a data packet with ten values
inline constexpr int kStorableSlots = 85;     // data packet values for higher slots are dropped
// Image packet payload: module, first slot, ten values of two bytes.
inline constexpr int kImagePacketBytes = 2 + 2 * kValuesPerPacket;
// The size the HID form names in its length byte (its 23 payload bytes hold the whole packet).
inline constexpr int kHidImagePacketSize = 20;

// (slots / 10) + 1 packets per module; module 3 is a single packet.
constexpr int packetCount(int module) {
    if (module < 0 || module >= kModuleCount || module == 3) return 1;
    return kSlotCount[static_cast<std::size_t>(module)] / kValuesPerPacket + 1;
}

static_assert(packetCount(0) == 2 && packetCount(1) == 7 && packetCount(2) == 7 &&
              packetCount(3) == 1);

}  // namespace vt::link
