// Fuzz target: the link through a whole session that the input scripts; its state stays within
// its bounds and nothing reaches outside its images.

// The script: frames from the unit (whole reports or pieces), its timer handlers (Timer1Timer,
// Timer2Timer, HoldTimerTimer), user writes and link operations, and frames that arrive while the
// link is still sending one or handling another.
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <span>
#include <vector>

#include "flag_timer.h"
#include "link/link.h"
#include "link/uart_framer.h"

namespace {

// The input, read a byte at a time; zeros once it runs out.
class Script {
  public:
    Script(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    bool more() const { return m_at < m_size; }
    std::uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        n = std::min(n, m_size - m_at);
        std::vector<std::uint8_t> out(m_data + m_at, m_data + m_at + n);
        m_at += n;
        return out;
    }

  private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// A transport whose writes may be answered at once, inside the link's send: the frames the
// script put aside arrive while the link is in the middle of a handler.
class EchoTransport : public vt::Transport {
  public:
    EchoTransport(vt::TransportKind kind, vt::Link& link) : m_kind(kind), m_link(link) {}
    vt::TransportKind kind() const override { return m_kind; }
    bool isOpen() const override { return true; }
    vt::WriteResult write(std::span<const std::uint8_t>) override {
        if (m_inside || m_answers.empty()) return {};
        m_inside = true;
        const std::vector<std::uint8_t> frame = std::move(m_answers.front());
        m_answers.pop_front();
        m_link.ParseDeviceFrame(frame);
        m_inside = false;
        return {};
    }
    void answerNextWrite(std::vector<std::uint8_t> frame) {
        if (m_answers.size() < 8) m_answers.push_back(std::move(frame));
    }

  private:
    vt::TransportKind m_kind;
    vt::Link& m_link;
    std::deque<std::vector<std::uint8_t>> m_answers;
    bool m_inside = false;
};

constexpr int kOperations[] = {vt::kOpReadComplete,    vt::kOpReRead,     vt::kOpSaved,
                               vt::kOpConnecting,      vt::kOpWriteImage, vt::kOpUnitLost,
                               vt::kOpConnectionFailed};

void check(const vt::Link& link) {
    const vt::SendState& s = link.sendState();
    const vt::TransferState& t = link.transferState();
    const bool ok = s.queue.count() >= 0 && s.queue.count() <= vt::WriteQueue::kMaxWaiting &&
                    s.tickCount >= 0 && s.tickCount <= 51 && t.currentStep <= t.lastStep + 1 &&
                    t.ticks <= 100 && link.linkState() >= vt::kNoDevice &&
                    link.linkState() <= vt::kConnected;
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Script script(data, size);
    const bool uart = script.byte() & 1;
    vt::ParameterModel model;
    model.bindControls();
    vt::NullLinkHost host;
    vt::fuzz::FlagTimer hold, connect, transfer;
    vt::Link link(model, host, vt::LinkTimers{hold, connect, transfer});
    EchoTransport transport(uart ? vt::TransportKind::Uart : vt::TransportKind::UsbHid, link);
    link.setTransport(&transport);
    link.setLinkState(vt::kPresent);

    vt::UartFramer framer;
    int nested = 0;
    framer.setAckHandler([&] { link.uartAcknowledged(); });
    framer.setFrameHandler([&](const std::vector<std::uint8_t>& frame) {
        link.uartFrameReceived(frame);
        // More bytes arrive while this frame is handled.
        if (nested++ < 4 && script.more()) framer.ComPortRxChar(script.bytes(script.byte() % 16));
    });

    while (script.more()) {
        nested = 0;
        switch (script.byte() % 12) {
            case 0:
            case 1: {  // a whole report or any piece of one
                const auto frame = script.bytes(script.byte() % 66);
                link.ParseDeviceFrame(frame);
                break;
            }
            case 2:
                transport.answerNextWrite(script.bytes(script.byte() % 66));
                break;
            case 3:
                framer.ComPortRxChar(script.bytes(script.byte() % 40));
                break;
            case 4:
                for (int n = script.byte() % 8 + 1; n > 0; --n) link.HoldTimerTimer();
                break;
            case 5:
                for (int n = script.byte() % 8 + 1; n > 0; --n) link.Timer2Timer();
                break;
            case 6:
                link.Timer1Timer();
                break;
            case 7: {
                const int address = script.byte() << 8 | script.byte();
                const int value = script.byte() << 8 | script.byte();
                if (vt::WindowImage::containsAddress(address)) model.SendDatatoMCU(address, value);
                break;
            }
            case 8:
                link.DisCheckWindow(kOperations[script.byte() % std::size(kOperations)]);
                break;
            case 9:
                link.LinkBtnClick();
                break;
            case 10:
                link.uartAcknowledged();
                break;
            case 11:
                link.setLinkState(script.byte() % 3);
                break;
        }
        check(link);
    }
    return 0;
}
