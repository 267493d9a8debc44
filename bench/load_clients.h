// Clients of the control service for the load bench: on a thread of their own, each on its own
// connection to the local socket, each sends its `set`s one at a time (waiting for each answer,
// as a script does) or all at once, and notes when every answer came.
#pragma once

#include <QThread>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

namespace vt::bench {

struct PlannedSet {
    int address = 0;
    int value = 0;
};

struct ClientResult {
    std::vector<double> latenciesMs;       // request sent to acknowledged answer read
    std::vector<PlannedSet> acknowledged;  // in the client's order
    std::vector<std::string> failures;     // error answers, odd answers, a lost connection
};

struct LoadResult {
    bool started = false;   // every client was connected and sent
    bool finished = false;  // every client has all its answers (or lost its connection)
    double seconds = 0;     // first request sent to last answer read
    std::vector<ClientResult> clients;
};

class LoadClients {
  public:
    LoadClients(std::string socketPath, std::vector<std::vector<PlannedSet>> plans, bool pipelined);
    ~LoadClients();

    // Starts the clients' thread: they connect at once and send once go() is called.
    void start();
    int connected() const { return m_connected.load(); }
    void go() { m_go.store(true); }
    // The thread has ended: every answer is in, or stop() was called.
    bool done() const { return m_thread && m_thread->isFinished(); }
    void stop() { m_stop.store(true); }
    // What the clients saw; waits for the thread.
    LoadResult take();

  private:
    void run();

    std::string m_path;
    std::vector<std::vector<PlannedSet>> m_plans;
    bool m_pipelined;
    std::unique_ptr<QThread> m_thread;
    std::atomic<int> m_connected{0};
    std::atomic<bool> m_go{false};
    std::atomic<bool> m_stop{false};
    LoadResult m_result;  // written by the thread, read once it has ended
};

}  // namespace vt::bench
