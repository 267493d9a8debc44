// Assembly of the window program and the window's access to the link.
#include "ui/controller_app.h"

#include <chrono>

#include "devices/device_hub.h"
#include "link/link_constants.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/link_window.h"
#include "ui/main_window.h"
#include "ui/status_dialog.h"
#include "ui/window_link_host.h"

namespace vt::ui {
namespace {

// A unit that another program owns is tried again this often; it is taken when that one ends.
constexpr std::chrono::milliseconds kOwnerRetry{2000};

QString ownedHint(const QString& message) {
    return "This window cannot use the unit yet: " + message +
           ". It connects as soon as that program ends.";
}

}  // namespace

ControllerApp::ControllerApp(devices::HubOptions options, DialogService& dialogs)
    : m_dialogs(dialogs) {
    options.ownerRetry = kOwnerRetry;
    m_main = std::make_unique<MainWindow>(m_model, dialogs);
    m_linkWindow = std::make_unique<LinkWindow>();
    m_status = new StatusDialog(m_main.get());
    m_host = std::make_unique<WindowLinkHost>(*m_main, *m_status, *m_linkWindow, dialogs);
    m_runtime = std::make_unique<devices::LinkRuntime>(m_model, *m_host, std::move(options));

    Link& link = m_runtime->link();
    LinkAccess access;
    access.linkState = [&link] { return link.linkState(); };
    access.connect = [&link] { link.LinkBtnClick(); };
    access.writeImage = [&link] { link.DisCheckWindow(6); };
    access.awaitSave = [&link] { link.awaitSaveConfirmation(); };
    access.sendBluetooth = [&link](const QByteArray& payload) {
        auto area = link.writer().payload();
        std::fill(area.begin(), area.end(), std::uint8_t{0});
        std::copy(payload.begin(),
                  payload.begin() + std::min<qsizetype>(payload.size(), area.size()), area.begin());
        link.writer().SendPacktData(link::kCmdWrite, link::kAddrBluetooth, 20);
    };
    access.changesInFlight = [&link] { return link.changesInFlight(); };
    access.showLinkWindow = [this] {
        m_linkWindow->show();
        m_linkWindow->raise();
    };
    m_main->setLinkAccess(access);

    connect(m_main.get(), &MainWindow::languageSwitched, this,
            [this](int flag) { m_runtime->link().setLanguage(flag); });
    connect(&m_main->editHistory(), &EditHistory::statusChanged, m_linkWindow.get(),
            &LinkWindow::setEditStatus);
    connect(&m_main->editHistory(), &EditHistory::refused, m_linkWindow.get(),
            [this] { m_linkWindow->noteEditRefused(m_main->textOf(texts::kUndoWaits)); });

    auto& hub = m_runtime->hub();
    connect(&hub, &devices::DeviceHub::deviceLinesChanged, m_linkWindow.get(),
            &LinkWindow::setDeviceLines);
    connect(&hub, &devices::DeviceHub::serialPortsChanged, m_linkWindow.get(),
            &LinkWindow::setSerialPorts);
    connect(&hub, &devices::DeviceHub::accessDenied, this,
            [this](const QString& hint, const QString& message) {
                m_host->setAccessHint(hint);
                m_host->linkLabelChanged(m_runtime->link().linkLabel());
                m_dialogs.inform(m_main.get(), m_main->textOf(texts::kConfirmCaption), message);
            });
    connect(&hub, &devices::DeviceHub::unitOwned, this,
            [this](const QString& path, const QString& message, qint64) {
                m_host->setAccessHint(ownedHint(message));
                m_host->linkLabelChanged(m_runtime->link().linkLabel());
                if (m_ownedShown.contains(path)) return;  // one message box per device
                m_ownedShown.insert(path);
                m_dialogs.inform(m_main.get(), m_main->textOf(texts::kConfirmCaption),
                                 ownedHint(message));
            });
}

ControllerApp::~ControllerApp() {
    m_runtime.reset();  // the link stops before the windows go
    m_host.reset();
}

void ControllerApp::logLinkLabels() {
    m_host->setLogLabels(true);
}

void ControllerApp::setLanguage(int flag) {
    m_main->setLanguage(flag);
    m_runtime->link().setLanguage(flag);
}

void ControllerApp::start() {
    m_main->show();
    m_runtime->hub().start();
}

}  // namespace vt::ui
