// Progress lines of the command-line program's link host.
#include "app/cli_link_host.h"

#include <algorithm>

namespace vt::cli {

void CliLinkHost::linkLabelChanged(const LinkLabel& label) {
    const bool wasOffline = m_offline;
    m_offline = label.colour == texts::kColourOffline;
    if (label.text.caption == m_label && (m_offline == wasOffline || !m_offline)) return;
    m_label = label.text.caption;
    m_progress << "link: " << m_label << "\n" << std::flush;
}

void CliLinkHost::statusDialogChanged(const StatusDialog& dialog) {
    if (!dialog.visible) {
        m_percent = -1;
        return;
    }
    // The transfer shows 133 % while the end sign is outstanding; a bar stops at 100.
    const int percent = std::clamp(dialog.percent, 0, 100);
    if (percent == m_percent) return;
    m_percent = percent;
    m_progress << "progress: " << percent << "%\n" << std::flush;
}

void CliLinkHost::showMessage(std::string_view text, std::string_view) {
    m_messages.emplace_back(text);
    m_progress << text << "\n" << std::flush;
}

void CliLinkHost::applyDeviceImage() {
    ++m_imageApplications;
    m_model.copyDeviceToWindow();
    m_model.deviceVariant =
        deviceVariantFromVersion(m_model.device.at(kSystemModule, slot_ids::kSysVersion));
}

void CliLinkHost::historyLineAdded(const std::string& line, std::size_t) {
    for (const char* shown : {"READ ERROR", "WRITE ERROR", "Removal of ", "UART port"})
        if (line.rfind(shown, 0) == 0) m_progress << line << "\n" << std::flush;
}

}  // namespace vt::cli
