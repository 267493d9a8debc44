// The link engine: the send queue and its hold timer, the connect operation and the bulk
// transfer, the receive parser and the status routine. Clock-free: the program's timers (or a
// virtual clock) call HoldTimerTimer, Timer1Timer and Timer2Timer; the link starts and stops them.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/device_frame.h"
#include "link/frames.h"
#include "link/history_list.h"
#include "link/level_meter.h"
#include "link/link_host.h"
#include "link/link_state.h"
#include "link/timer_control.h"
#include "link/transport.h"
#include "model/parameter_model.h"

namespace vt {

// The link's three timers: hold (25 ms), connect (Timer1, 1000 ms), transfer (Timer2, 50 ms).
struct LinkTimers {
    TimerControl& hold;
    TimerControl& connect;
    TimerControl& transfer;
};

class Link : public WriteSink, public FrameHost {
  public:
    Link(ParameterModel& model, LinkHost& host, LinkTimers timers);
    ~Link() override;
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // --- wiring ---
    void setTransport(Transport* transport) { m_writer.setTransport(transport); }
    void setTimeOfDay(std::function<TimeOfDay()> clock) { m_timeOfDay = std::move(clock); }
    // One step of the serial port scan, run by the connect timer on UART.
    void setSerialScan(std::function<void()> step) { m_serialScan = std::move(step); }
    // Switches the language; the link label and the status dialog take the new language's text
    // of the pair they show.
    void setLanguage(int flag);
    int language() const { return m_language; }

    // --- send queue ---
    // What Write parameter hands on after storing both images: send at once or queue.
    void queueWrite(int address, int value) override;
    void HoldTimerTimer();
    // After the window's save command wrote address 13: wait for the unit to confirm.
    void awaitSaveConfirmation();
    // A Bluetooth text packet carrying `payload` (its first 24 bytes, the rest of the area 0),
    // sent at once whatever the queue holds.
    void sendBluetooth(std::span<const std::uint8_t> payload);

    // --- connection and transfer ---
    void LinkBtnClick();
    void Timer1Timer();
    void Timer2Timer();
    void SendPacketStep(int nStep, int mode);
    void DisCheckWindow(int uMode);

    // --- receiving ---
    void ParseDeviceFrame(std::span<const std::uint8_t> frame);
    // The UART framer's two results: an acknowledge (FE BB or FE AA) and a whole packet.
    void uartAcknowledged();
    void uartFrameReceived(std::span<const std::uint8_t> frame);

    // --- status ---
    void ShowLinkStatus(int kind, std::string_view text, int percent = 0);
    // The bilingual caption setter applied to the link label with the current language flag.
    void setLinkLabel(const TextPair& pair);

    // History list: frame lines, and the transport's read error and removal lines.
    void addToHistory(const std::string& line) override;
    void showReportId(const std::string& text) override;

    // --- state ---
    int linkState() const { return m_linkState; }
    void setLinkState(int state) { m_linkState = state; }
    const SendState& sendState() const { return m_send; }
    const TransferState& transferState() const { return m_transfer; }
    // Settings on their way to the unit: writes queued, to be repeated or not yet answered, or
    // an image being written. False once the unit holds them or the link has given up.
    bool changesInFlight() const;
    const LevelHistory& levels() const { return m_levels; }
    const LinkLabel& linkLabel() const { return m_label; }
    const StatusDialog& statusDialog() const { return m_dialog; }
    const HistoryList& history() const { return m_history; }
    FrameWriter& writer() { return m_writer; }

  private:
    bool uart() const;
    static int transferAddress(int step, int packetIndex);
    void sendWrite(const QueuedWrite& w);
    void sendKeepAlive();
    // The unit answered the frame sent last: the answer flag, and the write it confirms.
    void noteAnswer();
    void releaseQueue();
    // A restore command goes out: the link waits for the unit's answer, then reads it again.
    void awaitRestore();
    // How many hold ticks, from the next one on, would do nothing but count (at least 1).
    int idleTicksAhead() const;
    // One hold tick's count; and back to a tick every period, the skipped ones counted.
    void countHoldTick();
    void tickEveryPeriod();
    void keepAlive();
    void fillImagePacket(int module, int firstSlot);
    void storeDataPacket(const DeviceFrame& d);
    void acknowledge(const DeviceFrame& d);
    void reportChecksumMismatch(std::span<const std::uint8_t> frame, const DeviceFrame& d);
    void stopForTransfer();
    void armFirstStep();
    void hideStatusDialog();
    // The status dialog's label: the prefix and its texts in the current language.
    void setDialogLabel();
    // A message box for the user; one at a time for each text.
    void raiseMessage(std::string_view text, std::string_view caption);

    // link operations
    void readComplete();
    void reRead();
    void saved();
    void connecting();
    void writeImage();
    void unitLost();
    void connectionFailed();

    ParameterModel& m_model;
    LinkHost& m_host;
    LinkTimers m_timers;
    FrameWriter m_writer;
    std::function<TimeOfDay()> m_timeOfDay = [] { return TimeOfDay{}; };
    std::function<void()> m_serialScan;

    int m_language = 0;
    const TextPair* m_labelPair = nullptr;  // the pair on the link label; null for a single text
    // The texts behind the status dialog's prefix in both languages, once a progress call set it.
    std::optional<std::pair<std::string, std::string>> m_dialogTexts;
    int m_linkState = kNoDevice;
    SendState m_send;
    TransferState m_transfer;
    LevelHistory m_levels;
    LinkLabel m_label;
    StatusDialog m_dialog;
    HistoryList m_history;
    std::vector<std::string> m_openMessages;  // texts of the message boxes open right now
    int m_repeatedMessages = 0;               // messages not shown while their box was open
};

}  // namespace vt
