// Importing a filter list into the channel on show: the "Import..." button of the PC File group
// and Ctrl+I open a file, fit it, preview the fit and, on Apply, write the bands.
#include <QFileInfo>
#include <QPushButton>
#include <QShortcut>

#include "eqfile/channel_fit.h"
#include "eqfile/filter_list_file.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"

namespace vt::ui {
namespace {

constexpr int kShownProblems = 5;

}  // namespace

void MainWindow::addPcFileLink(const char* name, const QString& text, const QString& tip, int x,
                               int width, const QKeySequence& keys, void (MainWindow::*action)()) {
    if (auto* group = findChild<QWidget*>("PCFileGroup")) {
        auto* button = new QPushButton(text, group);
        button->setObjectName(name);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setToolTip(tip);
        button->setStyleSheet(
            "QPushButton { font-size: 8pt; padding: 0px; text-decoration: underline; }");
        button->setGeometry(x, 0, width, 16);
        connect(button, &QPushButton::clicked, this, action);
    }
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, action);
}

void MainWindow::installFilterImport() {
    // In the free end of the PC File group's title row, beside Load and Save.
    addPcFileLink("ImportFileBtn", "Import...",
                  "Import a filter list fitted to this channel (Ctrl+I)", 104, 60,
                  QKeySequence("Ctrl+I"), &MainWindow::ImportFilterFile);
}

void MainWindow::ImportFilterFile() {
    const QString chosen = m_dialogs.openFileName(this, "Filter lists (*.txt);;All files (*)");
    if (chosen.isEmpty()) return;
    const eqfile::FilterListLoad load = eqfile::loadFilterList(chosen.toStdString());
    if (!load.file) {
        QString text = QString::fromStdString(load.message);
        for (std::size_t i = 0; i < load.problems.size() && i < kShownProblems; ++i)
            text += QString("\nLine %1: %2")
                        .arg(load.problems[i].line)
                        .arg(QString::fromStdString(load.problems[i].reason));
        m_dialogs.inform(this, "Import", text);
        return;
    }
    const eqfile::ChannelFit fit = eqfile::fitChannel(*load.file, m_model.currentChannel);
    if (!m_dialogs.previewFilterFit(this, fit, chosen)) return;
    // The whole import is one step that Ctrl+Z takes back.
    m_history->beginAction("Import " + QFileInfo(chosen).fileName());
    applyParameterWrites(eqfile::fitWrites(fit));
    m_history->endAction();
}

void MainWindow::applyParameterWrites(const std::vector<eqfile::ParameterWrite>& writes) {
    for (const auto& w : writes) m_model.SendDatatoMCU(w.address, w.value);
    ApplyDeviceImage();
}

}  // namespace vt::ui
