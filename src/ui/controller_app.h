// The whole window program assembled: parameter model, main window, link window, status dialog,
// the link with its timers and the device hub, in the start-up order.
#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <memory>

#include "devices/link_runtime.h"
#include "model/parameter_model.h"

namespace vt::ui {

class DialogService;
class LinkWindow;
class MainWindow;
class StatusDialog;
class WindowLinkHost;

class ControllerApp : public QObject {
    Q_OBJECT
  public:
    ControllerApp(devices::HubOptions options, DialogService& dialogs);
    ~ControllerApp() override;

    // Shows the main window (its show step runs) and starts looking for the unit.
    void start();
    // The language of every text with two languages, in the window and on the link.
    void setLanguage(int flag);
    // Prints every link label text on the error stream.
    void logLinkLabels();

    MainWindow& mainWindow() { return *m_main; }
    LinkWindow& linkWindow() { return *m_linkWindow; }
    StatusDialog& statusDialog() { return *m_status; }
    Link& link() { return m_runtime->link(); }
    devices::DeviceHub& hub() { return m_runtime->hub(); }
    ParameterModel& model() { return m_model; }

  private:
    DialogService& m_dialogs;
    ParameterModel m_model;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<LinkWindow> m_linkWindow;
    StatusDialog* m_status = nullptr;  // owned by the main window
    std::unique_ptr<WindowLinkHost> m_host;
    std::unique_ptr<devices::LinkRuntime> m_runtime;
    QSet<QString> m_ownedShown;  // units whose owner has been told of in a message box
};

}  // namespace vt::ui
