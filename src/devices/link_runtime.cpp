// Wiring of the link's timers and the device hub, and the tap between the link and its host.
#include "devices/link_runtime.h"

namespace vt::devices {

// Hands every call on to the program's host and raises the runtime's signals around it.
class LinkRuntime::Tap : public LinkHost {
  public:
    Tap(LinkHost& host, LinkRuntime& runtime) : m_host(host), m_runtime(runtime) {}

    void linkLabelChanged(const LinkLabel& label) override {
        m_host.linkLabelChanged(label);
        emit m_runtime.linkLabelChanged();
    }
    void statusDialogChanged(const StatusDialog& dialog) override {
        m_host.statusDialogChanged(dialog);
    }
    void showMessage(std::string_view text, std::string_view caption) override {
        emit m_runtime.messageShown(QString::fromUtf8(text.data(), static_cast<int>(text.size())));
        m_host.showMessage(text, caption);
    }
    void applyDeviceImage() override {
        m_host.applyDeviceImage();
        ++m_runtime.m_imageApplications;
        emit m_runtime.imageApplied();
    }
    void unitImageRead() override { m_host.unitImageRead(); }
    void writeConfirmed(int address, int value) override {
        m_host.writeConfirmed(address, value);
        emit m_runtime.writeConfirmed(address, value);
    }
    void setLevelMeter(Meter meter, int value) override {
        m_host.setLevelMeter(meter, value);
        emit m_runtime.levelMeterChanged(static_cast<int>(meter), value);
    }
    void setMasterVolumeBar(int position) override { m_host.setMasterVolumeBar(position); }
    void addMemoLine(const std::string& line) override { m_host.addMemoLine(line); }
    void historyLineAdded(const std::string& line, std::size_t droppedOldest) override {
        m_host.historyLineAdded(line, droppedOldest);
    }
    void showReportId(const std::string& text) override { m_host.showReportId(text); }

  private:
    LinkHost& m_host;
    LinkRuntime& m_runtime;
};

LinkRuntime::LinkRuntime(ParameterModel& model, LinkHost& host, HubOptions options, QObject* parent)
    : QObject(parent),
      m_hold(25, [this] { m_link->HoldTimerTimer(); }),
      m_connect(1000, [this] { m_link->Timer1Timer(); }),
      m_transfer(50, [this] { m_link->Timer2Timer(); }),
      m_tap(std::make_unique<Tap>(host, *this)) {
    m_link = std::make_unique<Link>(model, *m_tap, LinkTimers{m_hold, m_connect, m_transfer});
    m_hub = std::make_unique<DeviceHub>(*m_link, std::move(options));
}

LinkRuntime::~LinkRuntime() {
    m_hold.stop();
    m_connect.stop();
    m_transfer.stop();
    m_hub.reset();
    m_link.reset();
}

}  // namespace vt::devices
