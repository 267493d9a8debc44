// The whole window program assembled: parameter model, main window, link window, status dialog,
// and the unit reached one of two ways. As the owner, the window has the link with its timers and
// the device hub, and serves the control service through which other programs reach the unit;
// while another program owns the unit, the window is a client of that program's service.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "devices/link_runtime.h"
#include "model/parameter_model.h"
#include "service/rpc_protocol.h"

namespace vt::service {
class ControlService;
class LocalEndpoint;
}  // namespace vt::service

namespace vt::ui {

class DialogService;
class LinkWindow;
class MainWindow;
class ServedLink;
class StatusDialog;
class WindowLinkHost;

// How long the window waits before it looks again for the owner, after the one it used went.
inline constexpr int kOwnerRetryMs = 2000;

class ControllerApp : public QObject {
    Q_OBJECT
  public:
    // `endpointPath`: where the control service listens (empty: the user's endpoint).
    ControllerApp(devices::HubOptions options, DialogService& dialogs,
                  std::string endpointPath = {});
    ~ControllerApp() override;

    // Shows the main window (its show step runs), then takes the control service's endpoint and
    // starts looking for the unit, or becomes a client of the program that serves it.
    void start();
    // The language of every text with two languages, in the window and on the link.
    void setLanguage(int flag);
    // Prints every link label text on the error stream.
    void logLinkLabels();

    MainWindow& mainWindow() { return *m_main; }
    LinkWindow& linkWindow() { return *m_linkWindow; }
    StatusDialog& statusDialog() { return *m_status; }
    ParameterModel& model() { return m_model; }
    // The window's own link, once it owns the unit (none while another program owns it).
    devices::LinkRuntime* runtime() { return m_runtime.get(); }
    Link& link() { return m_runtime->link(); }
    devices::DeviceHub& hub() { return m_runtime->hub(); }
    // The service other programs use, while the window owns the unit and serves.
    service::ControlService* service() { return m_service.get(); }
    // The link through another program's service, while that program owns the unit.
    ServedLink* servedLink() { return m_served.get(); }

  private:
    // Takes the endpoint and the unit, or joins the program that has them.
    void takeOrJoin();
    // Opens the window's own link; serves the control service at `endpoint` when there is one.
    void ownUnit(std::unique_ptr<service::LocalEndpoint> endpoint);
    void joinOwner(const std::string& socketPath, const std::optional<service::Json>& owner);
    // A change the window did not make (a client's, or the owner's) is in both images: no step
    // of the history, shown with the next refresh.
    void followOutsideChange(int address, int value);
    void showLinkWindow();

    DialogService& m_dialogs;
    devices::HubOptions m_options;
    std::string m_endpointPath;
    int m_language = 0;
    ParameterModel m_model;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LinkWindow> m_linkWindow;
    StatusDialog* m_status = nullptr;  // owned by the main window
    std::unique_ptr<WindowLinkHost> m_host;
    std::unique_ptr<devices::LinkRuntime> m_runtime;
    QSet<QString> m_ownedShown;  // units whose owner has been told of in a message box
    std::unique_ptr<service::LocalEndpoint> m_endpoint;
    std::unique_ptr<service::ControlService> m_service;
    std::unique_ptr<ServedLink> m_served;
    QTimer m_refresh;  // one refresh of the window for a burst of outside changes
    QTimer m_retry;    // looks for an owner again after the one in use went
};

}  // namespace vt::ui
