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

bool DeviceSession::idle() {
    const SendState& s = link().sendState();
    return connected() && s.answerFlag == 1 && s.queue.empty() && s.repeatFlag == 0 &&
           s.pendingOperation == kOpNone;
}

int DeviceSession::run(std::vector<Step> steps) {
    m_steps = std::move(steps);
    m_index = 0;
    m_begun = false;
    m_exitCode = kExitOk;
    if (m_steps.empty()) return kExitOk;
    QEventLoop loop;
    m_loop = &loop;
    m_stepClock.start();
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
    Step& step = m_steps[m_index];
    if (!m_begun && (!step.ready || step.ready())) {
        m_begun = true;
        if (step.begin) step.begin();
    }
    if (m_begun && step.done()) {
        if (m_index > 0) m_err << "done: " << step.what << "\n" << std::flush;
        m_begun = false;
        m_stepClock.restart();
        if (++m_index == m_steps.size()) stop(kExitOk, {});
        return;
    }
    if (m_stepClock.elapsed() > m_stepTimeout.count()) {
        const double seconds = static_cast<double>(m_stepTimeout.count()) / 1000.0;
        stop(kExitDevice, std::string(texts::kOffline) + ": no answer within " +
                              QString::number(seconds).toStdString() +
                              " s (link: " + m_host.label() + ")");
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
