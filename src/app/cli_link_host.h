// The link's host in the command-line program: no windows; link label changes, progress and
// messages go to the error stream, and the messages are remembered for the command to judge.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/link_host.h"
#include "model/parameter_model.h"

namespace vt::cli {

class CliLinkHost : public LinkHost {
  public:
    CliLinkHost(ParameterModel& model, std::ostream& progress)
        : m_model(model), m_progress(progress) {}

    // Messages the link showed, in order ("Connection Failed!", "Save Successfully!", ...).
    const std::vector<std::string>& messages() const { return m_messages; }
    const std::string& label() const { return m_label; }
    // The status routine's offline kind set the label: no unit, or the unit refused the link.
    bool offline() const { return m_offline; }
    // How often a completed read brought the window image in line with the device image.
    int imageApplications() const { return m_imageApplications; }

    void linkLabelChanged(const LinkLabel& label) override;
    void statusDialogChanged(const StatusDialog& dialog) override;
    void showMessage(std::string_view text, std::string_view caption) override;
    // Keeps the window image and the device variant in line with the device image, as the
    // window does, so that a loaded preset meets the same variant check.
    void applyDeviceImage() override;
    void setLevelMeter(Meter, int) override {}
    void setMasterVolumeBar(int) override {}
    void addMemoLine(const std::string&) override {}
    // Only error and removal lines are shown; frame lines would flood the stream.
    void historyLineAdded(const std::string& line, std::size_t droppedOldest) override;
    void showReportId(const std::string&) override {}

  private:
    ParameterModel& m_model;
    std::ostream& m_progress;
    std::vector<std::string> m_messages;
    std::string m_label{texts::kOffline};  // the label's first caption
    bool m_offline = false;
    int m_imageApplications = 0;
    int m_percent = -1;  // last progress shown; -1 while the dialog is hidden
};

}  // namespace vt::cli
