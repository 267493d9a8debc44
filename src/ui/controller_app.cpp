// Assembly of the window program, the window's access to the link, and the choice between owning
// the unit and reaching it through its owner.
#include "ui/controller_app.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>

#include "devices/device_hub.h"
#include "link/link_constants.h"
#include "service/control_service.h"
#include "service/local_endpoint.h"
#include "service/served_unit.h"
#include "ui/dialog_service.h"
#include "ui/edit_history.h"
#include "ui/link_window.h"
#include "ui/main_window.h"
#include "ui/served_link.h"
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

ControllerApp::ControllerApp(devices::HubOptions options, DialogService& dialogs,
                             std::string endpointPath)
    : m_dialogs(dialogs), m_options(std::move(options)), m_endpointPath(std::move(endpointPath)) {
    m_options.ownerRetry = kOwnerRetry;
    m_main = std::make_unique<MainWindow>(m_model, dialogs);
    m_linkWindow = std::make_unique<LinkWindow>();
    m_status = new StatusDialog(m_main.get());
    m_host = std::make_unique<WindowLinkHost>(*m_main, *m_status, *m_linkWindow, dialogs);

    connect(m_main.get(), &MainWindow::languageSwitched, this, &ControllerApp::setLanguage);
    connect(&m_main->editHistory(), &EditHistory::statusChanged, m_linkWindow.get(),
            &LinkWindow::setEditStatus);
    connect(&m_main->editHistory(), &EditHistory::refused, m_linkWindow.get(),
            [this](Refusal why, const QString& names) {
                m_linkWindow->noteEditRefused(m_main->refusalText(why, names));
            });

    m_refresh.setSingleShot(true);
    m_refresh.setInterval(0);
    connect(&m_refresh, &QTimer::timeout, m_main.get(), &MainWindow::ApplyDeviceImage);
    m_retry.setSingleShot(true);
    m_retry.setInterval(kOwnerRetryMs);
    connect(&m_retry, &QTimer::timeout, this, &ControllerApp::takeOrJoin);
}

ControllerApp::~ControllerApp() {
    m_retry.stop();
    m_served.reset();
    m_service.reset();  // its clients go before the link they use
    m_endpoint.reset();
    m_runtime.reset();  // the link stops before the windows go
    m_host.reset();
}

void ControllerApp::logLinkLabels() {
    m_host->setLogLabels(true);
}

void ControllerApp::setLanguage(int flag) {
    m_language = flag;
    m_main->setLanguage(flag);
    if (m_runtime) m_runtime->link().setLanguage(flag);
    if (m_served) m_served->setLanguage(flag);
}

void ControllerApp::start() {
    m_main->show();
    takeOrJoin();
}

void ControllerApp::takeOrJoin() {
    auto endpoint = std::make_unique<service::LocalEndpoint>();
    const service::ListenOutcome outcome = endpoint->listen(m_endpointPath);
    if (outcome.listening) {
        ownUnit(std::move(endpoint));
        return;
    }
    const bool otherUnit =
        outcome.owner && !service::servesUnit(*outcome.owner, m_options.simulate,
                                              m_options.devicePath.toStdString());
    if (outcome.taken && !otherUnit) {
        joinOwner(endpoint->path(), outcome.owner);
        return;
    }
    std::fprintf(stderr,
                 "vortella: %s%s; other programs cannot reach the unit through this window\n",
                 outcome.problem.c_str(), otherUnit ? ", for another unit" : "");
    ownUnit(nullptr);
}

void ControllerApp::ownUnit(std::unique_ptr<service::LocalEndpoint> endpoint) {
    m_served.reset();
    m_runtime = std::make_unique<devices::LinkRuntime>(m_model, *m_host, m_options);

    Link& link = m_runtime->link();
    link.setLanguage(m_language);
    LinkAccess access;
    access.linkState = [&link] { return link.linkState(); };
    access.connect = [&link] { link.LinkBtnClick(); };
    access.writeImage = [&link] { link.DisCheckWindow(6); };
    access.awaitSave = [&link] { link.awaitSaveConfirmation(); };
    access.sendBluetooth = [&link](const QByteArray& payload) {
        link.sendBluetooth(std::span(reinterpret_cast<const std::uint8_t*>(payload.constData()),
                                     static_cast<std::size_t>(payload.size())));
    };
    access.changesInFlight = [&link] { return link.changesInFlight(); };
    access.showLinkWindow = [this] { showLinkWindow(); };
    m_main->setLinkAccess(access);

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

    if (endpoint) {
        m_endpoint = std::move(endpoint);
        service::ServiceOptions options;
        options.program = "window";
        options.version = QCoreApplication::applicationVersion().toStdString();
        options.language = m_language;
        options.unitName = [this] {
            return service::servedUnitName(m_runtime->hub().listing(), m_options);
        };
        m_service = std::make_unique<service::ControlService>(m_model, *m_runtime, options);
        connect(m_endpoint.get(), &service::LocalEndpoint::clientConnected, m_service.get(),
                &service::ControlService::addClient);
        connect(m_service.get(), &service::ControlService::parameterWritten, this,
                &ControllerApp::followOutsideChange);
        // The window goes on serving its user; only the other programs lose their way in.
        connect(m_endpoint.get(), &service::LocalEndpoint::listeningLost, this,
                [](const QString& why) {
                    std::fprintf(stderr,
                                 "vortella: %s; other programs cannot reach the unit through "
                                 "this window\n",
                                 qPrintable(why));
                });
    }
    hub.start();
}

void ControllerApp::joinOwner(const std::string& socketPath,
                              const std::optional<service::Json>& owner) {
    m_served = std::make_unique<ServedLink>(m_model, *m_host, socketPath, owner);
    ServedLink& served = *m_served;
    served.setLanguage(m_language);
    if (m_options.capture)
        std::fprintf(stderr,
                     "vortella: --capture records a link of this window's own, but the unit "
                     "is served by %s\n",
                     served.ownerName().c_str());
    LinkAccess access;
    access.linkState = [&served] { return served.linkState(); };
    access.writeImage = [&served] { served.writeImage(); };
    access.sendBluetooth = [&served](const QByteArray& payload) { served.sendBluetooth(payload); };
    access.changesInFlight = [&served] { return served.changesInFlight(); };
    access.showLinkWindow = [this] { showLinkWindow(); };
    m_main->setLinkAccess(access);
    connect(&served, &ServedLink::outsideChange, this, &ControllerApp::followOutsideChange);
    connect(&served, &ServedLink::ownerLost, &m_retry, qOverload<>(&QTimer::start));
    served.start();
}

void ControllerApp::showLinkWindow() {
    m_linkWindow->show();
    m_linkWindow->raise();
}

void ControllerApp::followOutsideChange(int address, int value) {
    m_main->editHistory().followOutsideWrite(address, value);
    m_refresh.start();
}

}  // namespace vt::ui
