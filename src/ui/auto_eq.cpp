// Automatic EQ of the channel on show: the "Auto EQ..." button beside "Import..." and Ctrl+Shift+I
// open the dialog; Apply writes the bands found as one step of the edit history.
#include <QPushButton>
#include <QShortcut>

#include "eqfile/channel_fit.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"

namespace vt::ui {

void MainWindow::installAutoEq() {
    // In the PC File group's title row, between the title and "Import...".
    if (auto* group = findChild<QWidget*>("PCFileGroup")) {
        auto* button = new QPushButton("Auto EQ...", group);
        button->setObjectName("AutoEqBtn");
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip("Find this channel's bands for a measured response (Ctrl+Shift+I)");
        button->setStyleSheet(
            "QPushButton { font-size: 8pt; padding: 0px; text-decoration: underline; }");
        button->setGeometry(48, 0, 54, 16);
        connect(button, &QPushButton::clicked, this, &MainWindow::AutoEqualize);
    }
    auto* shortcut = new QShortcut(QKeySequence("Ctrl+Shift+I"), this);
    connect(shortcut, &QShortcut::activated, this, &MainWindow::AutoEqualize);
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
