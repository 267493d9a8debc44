// The step walk of a command-line run, its failure checks and deadlines.
#include "app/device_session.h"

#include <QEventLoop>

#include "app/cli_commands.h"

namespace vt::cli {
namespace {
constexpr int kPollMs = 10;
}  // namespace

DeviceSession::DeviceSession(devices::HubOptions options, std::chrono::milliseconds stepTimeout,
                             std::ostream& err)
    : m_host(m_model, err), m_err(err), m_stepTimeout(stepTimeout) {
    m_model.bindControls();
    m_runtime = std::make_unique<devices::LinkRuntime>(m_model, m_host, std::move(options));
    connect(m_runtime.get(), &devices::LinkRuntime::writeConfirmed, this,
            [this](int address, int value) { m_writes.confirmed(address, value); });
    connect(&m_runtime->hub(), &devices::DeviceHub::accessDenied, this,
            [this](const QString&, const QString& message) {
                m_accessProblem = message.toStdString();
            });
    // A unit that another program owns was not touched: the run ends saying whose it is.
    connect(&m_runtime->hub(), &devices::DeviceHub::unitOwned, this,
            [this](const QString&, const QString& message, qint64) {
                m_accessProblem = message.toStdString();
            });
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &DeviceSession::poll);
}

DeviceSession::~DeviceSession() {
    m_runtime.reset();  // timers stop and devices close before the host and the model go
}

int DeviceSession::run(std::vector<Step> steps) {
    m_steps = std::move(steps);
    m_index = 0;
    m_exitCode = kExitOk;
    if (m_steps.empty()) return kExitOk;
    QEventLoop loop;
    m_loop = &loop;
    m_runner.start(m_steps[0], m_stepTimeout);
    m_poll.start();
    hub().start();
    loop.exec();
    m_poll.stop();
    m_loop = nullptr;
    return m_exitCode;
}

std::optional<std::string> DeviceSession::failure() const {
    if (!m_accessProblem.empty()) return m_accessProblem;
    if (!m_stepProblem.empty()) return m_stepProblem;
    for (const auto& m : m_host.messages())
        if (m != texts::kSaveSuccessfully.text) return m;
    if (m_host.offline()) return std::string(texts::kOffline);
    return std::nullopt;
}

void DeviceSession::poll() {
    if (!m_loop) return;
    if (const auto why = failure()) {
        stop(m_accessProblem.empty() && !m_stepProblem.empty() ? m_stepExitCode : kExitDevice,
             *why);
        return;
    }
    switch (m_runner.poll()) {
        case service::StepRunner::State::Done:
            if (m_index > 0) m_err << "done: " << m_steps[m_index].what << "\n" << std::flush;
            if (++m_index == m_steps.size())
                stop(kExitOk, {});
            else
                m_runner.start(m_steps[m_index], m_stepTimeout);
            return;
        case service::StepRunner::State::TimedOut:
            stop(kExitDevice, service::noAnswerText(m_stepTimeout, m_host.label()));
            return;
        default:
            return;
    }
}

void DeviceSession::stop(int exitCode, const std::string& why) {
    m_exitCode = exitCode;
    if (exitCode != kExitOk)
        m_err << "vortella-cli: " << m_steps[m_index].what << " failed: " << why << "\n"
              << std::flush;
    m_poll.stop();
    if (m_loop) m_loop->quit();
}

}  // namespace vt::cli
