// The "PC File" buttons: save the device image to a preset file and load one back into the unit.
#include <QDir>
#include <QFileInfo>
#include <QPlainTextEdit>

#include "presets/preset_file.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/main_window.h"

namespace vt::ui {
namespace {

QString presetFilter() {
    const QString ext = QString::fromStdString(std::string(presets::kExtension));
    return QString("*%1 (*%1)").arg(ext);
}

}  // namespace

void MainWindow::SaveFileBtnClick() {
    const auto lines = presets::savePresetLines(m_model.device, m_model.deviceVariant);
    if (auto* memo = findChild<QPlainTextEdit*>("Memo1")) {
        memo->clear();
        for (const auto& l : lines) memo->appendPlainText(QString::fromStdString(l));
    }
    const QString chosen = m_dialogs.saveFileName(this, presetFilter());
    if (chosen.isEmpty()) return;
    const std::string target = presets::forcePresetExtension(chosen.toStdString());
    const std::string failure =
        presets::writeFileAtomically(target, presets::presetFileText(lines));
    if (!failure.empty()) {
        m_dialogs.inform(this, "information", QString::fromStdString(failure));
        return;
    }
    const QString full =
        QDir::toNativeSeparators(QFileInfo(QString::fromStdString(target)).absoluteFilePath());
    m_dialogs.inform(this, "information", " 预设成功保存在" + full);
}

void MainWindow::LoadFileBtnClick() {
    const QString chosen = m_dialogs.openFileName(this, presetFilter());
    if (chosen.isEmpty()) return;
    const presets::LoadOutcome loaded = presets::loadPresetFile(chosen.toStdString(), m_language);
    if (auto* memo = findChild<QPlainTextEdit*>("Memo1")) {
        memo->clear();
        for (const auto& l : loaded.preset.plainLines)
            memo->appendPlainText(QString::fromStdString(l));
    }
    if (!loaded.message.empty()) {
        m_dialogs.inform(this, textOf(texts::kConfirmCaption),
                         QString::fromStdString(loaded.message));
        return;
    }
    // The whole image is one step: its undo writes back every slot the file changed.
    m_history->beginImageAction("Load " + QFileInfo(chosen).fileName());
    presets::applyPreset(loaded.preset, m_model.deviceVariant, m_model.device);
    m_history->endAction();
    m_link.writeImage();
}

}  // namespace vt::ui
