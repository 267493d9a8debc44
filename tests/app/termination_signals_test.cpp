// Termination signals reach the event loop as calls, and leave the default actions behind.
#include "app/termination_signals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <csignal>
#include <vector>

namespace vt::app {
namespace {

TEST(TerminationSignals, EachSignalBecomesOneCallOnTheEventLoop) {
    int argc = 1;
    char name[] = "app_tests";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    std::vector<int> calls;
    {
        TerminationSignals termination([&calls](int signal) { calls.push_back(signal); });
        std::raise(SIGTERM);
        std::raise(SIGINT);
        std::raise(SIGHUP);
        EXPECT_TRUE(calls.empty());  // never from inside the handler
        QElapsedTimer clock;
        clock.start();
        while (calls.size() < 3 && clock.elapsed() < 2000) QCoreApplication::processEvents();
        EXPECT_EQ(calls, (std::vector<int>{SIGTERM, SIGINT, SIGHUP}));
    }
    struct sigaction now {};
    ::sigaction(SIGTERM, nullptr, &now);
    EXPECT_EQ(now.sa_handler, SIG_DFL);
}

}  // namespace
}  // namespace vt::app
