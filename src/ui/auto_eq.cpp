// Automatic EQ of the channel on show: the "Auto EQ..." button beside "Import..." and Ctrl+Shift+I
// open the dialog; Apply writes the bands found as one step of the edit history.
#include "eqfile/channel_fit.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"

namespace vt::ui {

void MainWindow::installAutoEq() {
    // In the PC File group's title row, between the title and "Import...".
    addPcFileLink("AutoEqBtn", "Auto EQ...",
                  "Find this channel's bands for a measured response (Ctrl+Shift+I)", 48, 54,
                  QKeySequence("Ctrl+Shift+I"), &MainWindow::AutoEqualize);
}

void MainWindow::AutoEqualize() {
    eqfile::ChannelFit fit;
    if (!m_dialogs.autoEq(this, m_model.currentChannel, fit)) return;
    // The whole result is one step that Ctrl+Z takes back.
    m_history->beginAction("Auto EQ");
    applyParameterWrites(eqfile::fitWrites(fit));
    m_history->endAction();
}

}  // namespace vt::ui
