// One run of the command-line program against the unit: the link at run time with a headless
// host, walked through a list of steps (connect, then each command) on a Qt event loop, with a
// deadline for each step and an early end when the link reports a failure.
#pragma once

#include <QElapsedTimer>
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

class QEventLoop;

namespace vt::cli {

class DeviceSession : public QObject {
    Q_OBJECT
  public:
    struct Step {
        std::string what;             // named in failure messages: "connecting", "set 0x0105 5"
        std::function<bool()> ready;  // may the step begin yet? (none: at once)
        std::function<void()> begin;
        std::function<bool()> done;
    };

    DeviceSession(devices::HubOptions options, std::chrono::milliseconds stepTimeout,
                  std::ostream& err);
    ~DeviceSession() override;

    ParameterModel& model() { return m_model; }
    Link& link() { return m_runtime->link(); }
    devices::DeviceHub& hub() { return m_runtime->hub(); }
    const CliLinkHost& host() const { return m_host; }

    // The image has been read (or written back) and the link sends parameter writes.
    bool connected() { return link().linkState() == kConnected; }
    // Connected with nothing on its way: a write made now goes out at once, and the unit has
    // answered everything sent before it.
    bool idle();

    // Ends the current step with a failure (exit 3 unless told otherwise) at the next poll.
    void failStep(std::string why, int exitCode = kExitDevice) {
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

    std::vector<Step> m_steps;
    std::size_t m_index = 0;
    bool m_begun = false;
    QElapsedTimer m_stepClock;
    QTimer m_poll;
    QEventLoop* m_loop = nullptr;
    int m_exitCode = 0;
};

}  // namespace vt::cli
