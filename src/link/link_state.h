// The link's state as the rest of the program sees it: link state, send state, transfer state,
// the numbered link operations and the timer periods.
#pragma once

#include <chrono>
#include <cstdint>

#include "link/write_queue.h"

namespace vt {

enum LinkStateValue : int {
    kNoDevice = 0,   // no matching device present
    kPresent = 1,    // present, but connecting, transferring, waiting or lost
    kConnected = 2,  // the image has been read; parameter writes are sent
};

// Link operations run by DisCheckWindow, and the pending operations of the send queue.
enum LinkOperation : int {
    kOpNone = 0,
    kOpReadComplete = 1,
    kOpReRead = 2,
    kOpSaved = 3,
    kOpConnecting = 4,
    kOpWriteImage = 6,
    kOpUnitLost = 7,
    kOpConnectionFailed = 9,
};

struct SendState {
    std::uint8_t answerFlag = 0;  // the unit answered the last frame (or we gave up waiting)
    std::uint8_t repeatFlag = 0;  // the hold timer sends the last write once more
    WriteQueue queue;
    std::int32_t tickCount = 0;         // hold-timer ticks since the last reset, 0..51
    std::int32_t missCount = 0;         // periods without an answer
    std::int32_t pendingOperation = 0;  // kOpReRead or kOpSaved once the unit answers

    // Which write the unit confirmed: an answer counts for a write only when the write was the
    // last frame sent (a keep-alive poll or a transfer in between takes the answer for itself).
    std::uint8_t writeAwaitingAnswer = 0;
    QueuedWrite confirmedWrite;         // the write the unit answered last
    std::uint32_t confirmedWrites = 0;  // how many writes the unit has answered
};

enum TransferMode : int { kTransferRead = 0, kTransferWrite = 1 };

enum TransferStateValue : int {
    kTransferIdle = 0,
    kTransferUartAck = 1,   // a UART acknowledge arrived
    kTransferAnswered = 2,  // a data packet or an acknowledge arrived
    kTransferStepSent = 3,
    kTransferLate = 4,  // waiting for a late answer
};

struct TransferState {
    std::int32_t connectionAnswer = 0;  // the unit answered since the last connect operation
    std::int32_t mode = kTransferRead;
    std::uint8_t currentStep = 0;  // module being transferred; last + 1 while the end sign waits
    std::uint8_t lastStep = 3;
    std::int32_t packetIndex = 0;
    std::int32_t address = 0;  // module x 256 + first slot of the request or packet
    std::int32_t state = kTransferIdle;
    std::uint8_t ticks = 0;  // 50 ms ticks since the last step, up to 100
    int percent = 0;         // progress shown by the last transfer tick
};

namespace link {
inline constexpr std::chrono::milliseconds kHoldPeriod{25};
inline constexpr std::chrono::milliseconds kConnectPeriod{1000};
inline constexpr std::chrono::milliseconds kTransferPeriod{50};
}  // namespace link

}  // namespace vt
