// One run of the command-line program against the unit: the link at run time with a headless
// host, walked through a list of steps (connect, then each command) on a Qt event loop, with a
// deadline for each step and an early end when the link reports a failure.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "app/cli_commands.h"
#include "app/cli_link_host.h"
#include "devices/link_runtime.h"
#include "model/parameter_model.h"
#include "service/unit_session.h"
#include "service/write_tracker.h"

class QEventLoop;

namespace vt::cli {

class DeviceSession : public QObject, public service::UnitSession {
    Q_OBJECT
  public:
    using Step = service::Step;

    DeviceSession(devices::HubOptions options, std::chrono::milliseconds stepTimeout,
                  std::ostream& err);
    ~DeviceSession() override;

    ParameterModel& model() override { return m_model; }
    Link& link() override { return m_runtime->link(); }
    int imageApplications() const override { return m_host.imageApplications(); }
    std::size_t messageCount() const override { return m_host.messages().size(); }
    std::string lastMessage() const override {
        return m_host.messages().empty() ? std::string() : m_host.messages().back();
    }
    void writeParameter(int address, int value) override { m_model.SendDatatoMCU(address, value); }
    devices::DeviceHub& hub() { return m_runtime->hub(); }
    const CliLinkHost& host() const { return m_host; }
    service::WriteTracker& writes() { return m_writes; }

    // Ends the current step with a failure (exit 3 unless told otherwise) at the next poll.
    void failStep(std::string why, int exitCode = kExitDevice) override {
        m_stepProblem = std::move(why);
        m_stepExitCode = exitCode;
    }

    // Starts the device hub and runs the steps in order (the first one connects; each later one
    // is reported done). Returns kExitOk, or kExitDevice after printing why the run stopped.
    int run(std::vector<Step> steps);

  private:
    void poll();
    std::optional<std::string> failure() const;
    void stop(int exitCode, const std::string& why);

    ParameterModel m_model;
    CliLinkHost m_host;
    std::ostream& m_err;
    std::chrono::milliseconds m_stepTimeout;
    std::string m_accessProblem;
    std::string m_stepProblem;
    int m_stepExitCode = kExitDevice;
    std::unique_ptr<devices::LinkRuntime> m_runtime;

    service::WriteTracker m_writes{*this};

    std::vector<Step> m_steps;
    std::size_t m_index = 0;
    service::StepRunner m_runner;
    QTimer m_poll;
    QEventLoop* m_loop = nullptr;
    int m_exitCode = 0;
};

}  // namespace vt::cli
