// The link's requests carried out on the windows.
#include "ui/window_link_host.h"

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <cstdio>

#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/link_window.h"
#include "ui/main_window.h"
#include "ui/status_dialog.h"

namespace vt::ui {
void WindowLinkHost::linkLabelChanged(const LinkLabel& label) {
    QLabel* l = m_main.linkLabel();
    const QString caption = QString::fromStdString(label.text.caption);
    l->setText(caption);
    if (m_logLabels) {
        std::fprintf(stderr, "link: %s\n", label.text.caption.c_str());
        std::fflush(stderr);
    }
    if (!m_accessHint.isEmpty() && caption != toQString(texts::kOffline)) m_accessHint.clear();
    l->setToolTip(m_accessHint.isEmpty() ? QString::fromStdString(label.text.hint) : m_accessHint);
    // Named, so that the label's tip (which takes the label's style sheet) keeps its own colours.
    l->setStyleSheet(QString("#LinkLabel { color: rgb(%1,%2,%3); font-weight: bold; }")
                         .arg(label.colour.r)
                         .arg(label.colour.g)
                         .arg(label.colour.b));
}

void WindowLinkHost::statusDialogChanged(const vt::StatusDialog& dialog) {
    m_status.setLabel(QString::fromStdString(dialog.label.caption),
                      QString::fromStdString(dialog.label.hint));
    m_status.setPercent(dialog.percent);
    if (dialog.visible)
        m_status.showOnTop();
    else
        m_status.hide();
}

void WindowLinkHost::showMessage(std::string_view text, std::string_view caption) {
    m_dialogs.inform(&m_main,
                     caption.empty() ? QApplication::applicationDisplayName() : toQString(caption),
                     toQString(text));
}

void WindowLinkHost::applyDeviceImage() {
    m_main.ApplyDeviceImage();
}

void WindowLinkHost::unitImageRead() {
    m_main.editHistory().clear();
}

void WindowLinkHost::setLevelMeter(Meter meter, int value) {
    m_main.setMeter(meter == Meter::Left ? 0 : 1, value);
}

void WindowLinkHost::setMasterVolumeBar(int position) {
    m_main.setVolumeBar(position);
}

void WindowLinkHost::addMemoLine(const std::string& line) {
    if (auto* memo = m_main.findChild<QPlainTextEdit*>("Memo1"))
        memo->appendPlainText(QString::fromStdString(line));
}

void WindowLinkHost::historyLineAdded(const std::string& line, std::size_t droppedOldest) {
    m_linkWindow.AddToHistory(QString::fromStdString(line), droppedOldest);
}

void WindowLinkHost::showReportId(const std::string& text) {
    m_linkWindow.setReportId(QString::fromStdString(text));
}

}  // namespace vt::ui
