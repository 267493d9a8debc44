// The send queue: a write goes out at once when the unit has answered and nothing waits, else it
// queues. The 25 ms hold timer releases one write per answer, gives up waiting after 125 ms,
// polls the idle unit, finishes restore and save commands and declares a silent unit lost.
#include "link/link.h"

#include <algorithm>

namespace vt {

using namespace link;

namespace {
constexpr int kTickLimit = 50;      // the tick count stays within 0..51
constexpr int kPollTicks = 5;       // 125 ms
constexpr int kPollRetry = 5;       // an unanswered unit is polled every 625 ms
constexpr int kPollMisses = 30;     // about 3.9 s without an answer: lost
constexpr int kCommandMisses = 50;  // about 64 s without an answer to a device command: lost
}  // namespace

void Link::sendWrite(const QueuedWrite& w) {
    m_send.answerFlag = 0;
    m_send.writeAwaitingAnswer = 1;
    m_writer.SendData(kCmdWrite, static_cast<std::uint16_t>(w.address), w.value);
}

void Link::sendBluetooth(std::span<const std::uint8_t> payload) {
    auto area = m_writer.payload();
    std::fill(area.begin(), area.end(), std::uint8_t{0});
    std::copy_n(payload.begin(), std::min(payload.size(), area.size()), area.begin());
    m_writer.SendPacktData(kCmdWrite, kAddrBluetooth, 20);
}

void Link::sendKeepAlive() {
    m_send.writeAwaitingAnswer = 0;
    m_writer.PCtoMCUAckSign(kSignKeepAlive);
}

void Link::noteAnswer() {
    m_send.answerFlag = 1;
    if (m_send.writeAwaitingAnswer == 0) return;
    m_send.writeAwaitingAnswer = 0;
    m_send.confirmedWrite = m_send.queue.sent();
    ++m_send.confirmedWrites;
    m_host.writeConfirmed(m_send.confirmedWrite.address, m_send.confirmedWrite.value);
}

void Link::queueWrite(int address, int value) {
    if (m_linkState != kConnected) return;
    tickEveryPeriod();
    m_send.tickCount = 0;
    const QueuedWrite w{address, static_cast<std::uint16_t>(value)};
    if (m_send.answerFlag != 1 || !m_send.queue.empty()) {
        m_send.queue.push(w);
        return;
    }
    m_send.queue.setSent(w);
    m_transfer.state = kTransferIdle;
    if (address == kAddrRecall) {
        awaitRestore();
    } else if (address == kAddrStore) {
        m_send.pendingOperation = kOpSaved;
        setLinkLabel(texts::kSaveWaiting);
    } else {
        m_send.pendingOperation = kOpNone;
    }
    sendWrite(w);
}

void Link::awaitRestore() {
    setLinkLabel(texts::kLoadWaiting);
    m_linkState = kPresent;
    m_send.missCount = 0;
    m_send.pendingOperation = kOpReRead;
    ShowLinkStatus(2, m_label.text.caption, 0);
}

void Link::awaitSaveConfirmation() {
    tickEveryPeriod();
    m_send.pendingOperation = kOpSaved;
    setLinkLabel(texts::kSaving);
    if (m_linkState == kConnected) m_linkState = kPresent;
    m_send.missCount = 0;
}

void Link::countHoldTick() {
    m_send.tickCount = m_send.tickCount > kTickLimit ? kTickLimit : m_send.tickCount + 1;
}

void Link::tickEveryPeriod() {
    // The ticks the timer strode over so far happened before this change: count them first.
    for (int ticks = m_timers.hold.takeElapsedPeriods(); ticks > 0; --ticks) countHoldTick();
    m_timers.hold.setStride(1);  // on the same phase
}

int Link::idleTicksAhead() const {
    // Connected, nothing queued, nothing to repeat or wait for: the ticks before the next poll
    // tick would only count.
    const SendState& s = m_send;
    if (m_linkState != kConnected || s.pendingOperation != kOpNone || !s.queue.empty() ||
        s.repeatFlag != 0)
        return 1;
    const int toPoll = kPollTicks - s.tickCount % kPollTicks;
    return s.tickCount + toPoll > kTickLimit ? 1 : toPoll;
}

bool Link::changesInFlight() const {
    if (m_transfer.mode == kTransferWrite && m_timers.transfer.isActive()) return true;
    const SendState& s = m_send;
    return m_linkState == kConnected &&
           (!s.queue.empty() || s.repeatFlag != 0 || s.writeAwaitingAnswer != 0);
}

void Link::HoldTimerTimer() {
    SendState& s = m_send;
    for (int ticks = m_timers.hold.stride(); ticks > 0; --ticks) countHoldTick();

    if (s.pendingOperation != kOpNone) ShowLinkStatus(2, m_label.text.caption, 2 * s.tickCount);

    if (s.answerFlag == 1 && s.pendingOperation != kOpNone) {
        const int operation = s.pendingOperation;
        s.pendingOperation = kOpNone;
        s.missCount = 0;
        s.tickCount = 0;
        DisCheckWindow(operation);
        // A message box may have stood open meanwhile ("Save Successfully!"), its event loop
        // ticking the timer: the periods since its last tick count now, as a plain tick would
        // have counted them, so that closing it polls no sooner than the plain ticks would.
        for (int ticks = m_timers.hold.takeElapsedPeriods(); ticks > 0; --ticks) countHoldTick();
    } else if (s.pendingOperation != kOpNone && s.tickCount == kTickLimit) {
        s.tickCount = 0;
        if (++s.missCount > kCommandMisses) {
            s.missCount = 0;
            m_timers.hold.stop();
            DisCheckWindow(kOpUnitLost);
            // The message box has returned; the link may have been rebuilt meanwhile, so this
            // tick ends here.
            return;
        }
    }

    releaseQueue();
    keepAlive();
    if (m_timers.hold.isActive()) m_timers.hold.setStride(idleTicksAhead());
}

void Link::releaseQueue() {
    SendState& s = m_send;
    if (s.answerFlag == 1 && (!s.queue.empty() || s.repeatFlag == 1)) {
        s.missCount = 0;
        s.tickCount = 0;
        const bool waiting = !s.queue.empty();
        s.queue.advance();
        s.repeatFlag = s.queue.empty() && s.repeatFlag == 0 ? 1 : 0;
        // A restore that had to wait its turn still leads to a read of the restored settings:
        // without it the window would go on showing what the unit no longer holds.
        if (waiting && s.queue.sent().address == kAddrRecall && m_linkState == kConnected)
            awaitRestore();
        sendWrite(s.queue.sent());
    } else if (s.tickCount % kPollTicks == 0 && !s.queue.empty()) {
        // No answer for 125 ms: treat the write as answered and send the next on the next tick.
        s.answerFlag = 1;
        s.repeatFlag = 1;
    }
}

void Link::keepAlive() {
    SendState& s = m_send;
    if (s.pendingOperation != kOpNone || m_linkState != kConnected ||
        s.tickCount % kPollTicks != 0 || !s.queue.empty())
        return;
    s.tickCount = 0;
    ++s.missCount;
    if (s.answerFlag == 1) {
        s.answerFlag = 0;
        s.missCount = 0;
        sendKeepAlive();
    } else if (s.missCount % kPollRetry == 0) {
        sendKeepAlive();
    }
    if (s.missCount > kPollMisses) {
        s.missCount = 0;
        m_timers.hold.stop();
        DisCheckWindow(kOpUnitLost);
    }
}

}  // namespace vt
