// The device data buttons (store, restore, factory settings) and the Bluetooth text buttons.
#include <QLineEdit>
#include <QPushButton>

#include "link/link_state.h"
#include "model/modules.h"
#include "ui/dialog_service.h"
#include "ui/main_window.h"

namespace vt::ui {
namespace {

struct DeviceCommand {
    const char* button;
    const TextPair& question;
    int address;
    int value;
};

constexpr DeviceCommand kCommands[] = {
    {"DeviceSaveBtn", texts::kAskSaveData, slot_ids::kSysStore, 0},
    {"DeviceLoadBtn", texts::kAskRestoreSettings, slot_ids::kSysRecall, 0},
    {"DeviceResetBtn", texts::kAskRestoreFactory, slot_ids::kSysRecall, 85},
};

}  // namespace

void MainWindow::connectDeviceCommands() {
    for (const auto& c : kCommands)
        if (auto* b = findChild<QPushButton*>(c.button))
            connect(b, &QPushButton::clicked, this, [this, b] { DeviceSaveBtnClick(b); });
    for (const char* name : {"BLUENameBtn", "BLUEPinBtn", "BleButton"})
        if (auto* b = findChild<QPushButton*>(name))
            connect(b, &QPushButton::clicked, this, [this, b] { BleButtonClick(b); });
}

void MainWindow::DeviceSaveBtnClick(QPushButton* sender) {
    if (m_link.linkState() != kConnected) return;
    const DeviceCommand* command = nullptr;
    for (const auto& c : kCommands)
        if (sender->objectName() == c.button) command = &c;
    if (!command) return;
    if (!confirm(textOf(command->question) + "?", true)) return;
    m_model.SendDatatoMCU(command->address, command->value);
    if (command->address == slot_ids::kSysStore) m_link.awaitSave();
}

void MainWindow::BleButtonClick(QPushButton* sender) {
    QString text;
    const QString name = sender->objectName();
    if (name == "BleButton") {
        text = findChild<QLineEdit*>("BlueStrEdit")->text();
    } else if (name == "BLUENameBtn") {
        const QString box = findChild<QLineEdit*>("BLUENameEdit")->text();
        if (box.isEmpty()) {
            m_dialogs.askYesNo(this, textOf(texts::kConfirmCaption), "请输入正确的名称");
            return;
        }
        text = "NA+" + box;
    } else if (name == "BLUEPinBtn") {
        const QString box = findChild<QLineEdit*>("BluePinEdit")->text();
        if (box.size() != 4) {
            m_dialogs.askYesNo(this, textOf(texts::kConfirmCaption), "长度必须4位");
            return;
        }
        text = "PIN+" + box;
    } else {
        return;
    }
    // 0x20, the length, then the low byte of each character; the packet carries what fits.
    QByteArray payload;
    payload.append(char(0x20));
    payload.append(char(text.size() & 0xFF));
    for (QChar c : text) payload.append(char(c.unicode() & 0xFF));
    m_link.sendBluetooth(payload.left(24));
}

}  // namespace vt::ui
