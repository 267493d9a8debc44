// Modal Qt dialogs for the program's dialog service.
#include "ui/dialog_service.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/auto_eq_dialog.h"
#include "ui/filter_import_dialog.h"
#include "ui/window_memory.h"

namespace vt::ui {

bool QtDialogService::askYesNo(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void QtDialogService::inform(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox::information(parent, caption, text, QMessageBox::Ok);
}

QString QtDialogService::openFileName(QWidget* parent, const QString& filter) {
    return remembered(QFileDialog::getOpenFileName(parent, QString(), startFolder(), filter));
}

QString QtDialogService::saveFileName(QWidget* parent, const QString& filter) {
    return remembered(QFileDialog::getSaveFileName(parent, QString(), startFolder(), filter));
}

QString QtDialogService::remembered(const QString& chosen) {
    if (m_memory) m_memory->rememberPresetFile(chosen);
    return chosen;
}

QString QtDialogService::startFolder() const {
    return m_memory ? m_memory->presetFolder() : QString();
}

bool QtDialogService::previewFilterFit(QWidget* parent, const eqfile::ChannelFit& fit,
                                       const QString& fileName) {
    FilterImportDialog dialog(fit, fileName, parent);
    return dialog.exec() == QDialog::Accepted;
}

bool QtDialogService::autoEq(QWidget* parent, int module, eqfile::ChannelFit& fit) {
    AutoEqDialog dialog(*this, module, parent);
    if (dialog.exec() != QDialog::Accepted || !dialog.found()) return false;
    fit = dialog.found()->fit;
    return true;
}

}  // namespace vt::ui
