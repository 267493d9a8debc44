// The link's host in the window program: the link label, the status dialog, message boxes, the
// level meters and volume, the hidden memo and the link window's history list.
#pragma once

#include <QString>

#include "link/link_host.h"

namespace vt::ui {

class DialogService;
class LinkWindow;
class MainWindow;
class StatusDialog;

class WindowLinkHost : public LinkHost {
  public:
    WindowLinkHost(MainWindow& main, StatusDialog& status, LinkWindow& linkWindow,
                   DialogService& dialogs)
        : m_main(main), m_status(status), m_linkWindow(linkWindow), m_dialogs(dialogs) {}

    // A hint that explains why the unit cannot be reached; shown until the link label changes
    // to anything but "Offline".
    void setAccessHint(const QString& hint) { m_accessHint = hint; }
    // Also prints every link label text on the error stream ("link: Device Connected").
    void setLogLabels(bool on) { m_logLabels = on; }

    void linkLabelChanged(const LinkLabel& label) override;
    void statusDialogChanged(const vt::StatusDialog& dialog) override;
    void showMessage(std::string_view text, std::string_view caption) override;
    void applyDeviceImage() override;
    void unitImageRead() override;
    void setLevelMeter(Meter meter, int value) override;
    void setMasterVolumeBar(int position) override;
    void addMemoLine(const std::string& line) override;
    void historyLineAdded(const std::string& line, std::size_t droppedOldest) override;
    void showReportId(const std::string& text) override;

  private:
    MainWindow& m_main;
    StatusDialog& m_status;
    LinkWindow& m_linkWindow;
    DialogService& m_dialogs;
    QString m_accessHint;
    bool m_logLabels = false;
};

}  // namespace vt::ui
