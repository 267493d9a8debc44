// The signal handler only writes the signal's number into a socket; the event loop reads it.
#include "app/termination_signals.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>

namespace vt::app {
namespace {

constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};
int g_sockets[2] = {-1, -1};  // [0] written by the handler, [1] read by the event loop

extern "C" void onTerminationSignal(int signal) {
    const int saved = errno;
    const char number = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_sockets[0], &number, 1);
    errno = saved;
}

void setHandler(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

}  // namespace

TerminationSignals::TerminationSignals(std::function<void(int)> onSignal)
    : m_onSignal(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_sockets) != 0)
        return;  // the signals keep their default actions
    m_notifier = std::make_unique<QSocketNotifier>(g_sockets[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        char number = 0;
        while (::read(g_sockets[1], &number, 1) == 1) m_onSignal(number);
    });
    for (int signal : kSignals) setHandler(signal, onTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
    if (!m_notifier) return;
    for (int signal : kSignals) setHandler(signal, SIG_DFL);
    m_notifier.reset();
    ::close(g_sockets[0]);
    ::close(g_sockets[1]);
    g_sockets[0] = g_sockets[1] = -1;
}

}  // namespace vt::app
