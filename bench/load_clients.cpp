// The load bench's clients: JSON lines on local sockets, in an event loop of their own thread.
#include "load_clients.h"

#include <QEventLoop>
#include <QLocalSocket>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "service/rpc_protocol.h"

namespace vt::bench {
namespace {

using Clock = std::chrono::steady_clock;

class Client {
  public:
    Client(const std::vector<PlannedSet>& plan, bool pipelined)
        : m_plan(plan), m_pipelined(pipelined), m_sentAt(plan.size()) {}

    QLocalSocket socket;
    ClientResult result;
    bool over() const { return m_over; }

    void begin() {
        if (m_plan.empty()) m_over = true;
        do {
            if (m_sent < m_plan.size()) sendNext();
        } while (m_pipelined && m_sent < m_plan.size());
    }

    void readAnswers() {
        m_buffer += socket.readAll();
        for (qsizetype end = m_buffer.indexOf('\n'); end >= 0; end = m_buffer.indexOf('\n')) {
            const std::string line = m_buffer.left(end).toStdString();
            m_buffer.remove(0, end + 1);
            take(line);
        }
    }

    void closed() {
        if (m_over) return;
        m_over = true;
        result.failures.push_back("the service closed the connection after " +
                                  std::to_string(m_answered) + " of " +
                                  std::to_string(m_plan.size()) + " answers");
    }

  private:
    void sendNext() {
        const PlannedSet& set = m_plan[m_sent];
        const std::string text =
            service::requestMessage(static_cast<int>(m_sent) + 1, "set",
                                    {{"address", set.address}, {"value", set.value}}) +
            "\n";
        m_sentAt[m_sent++] = Clock::now();
        socket.write(text.data(), static_cast<qint64>(text.size()));
    }

    void take(const std::string& line) {
        const auto now = Clock::now();
        const auto in = service::parseIncoming(line);
        if (in && in->notification) return;
        if (!in || !in->id.is_number_integer() ||
            in->id.get<long long>() != static_cast<long long>(m_answered) + 1 ||
            m_answered >= m_sent) {
            result.failures.push_back("an answer out of turn: " + line.substr(0, 120));
            return;
        }
        const PlannedSet& set = m_plan[m_answered];
        const auto latency = std::chrono::duration<double, std::milli>(now - m_sentAt[m_answered]);
        ++m_answered;
        if (in->ok && in->result.is_object() &&
            in->result.value("address", service::Json()) == set.address &&
            in->result.value("value", service::Json()) == set.value) {
            result.acknowledged.push_back(set);
            result.latenciesMs.push_back(latency.count());
        } else {
            result.failures.push_back("set " + std::to_string(set.address) + " " +
                                      std::to_string(set.value) + ": " +
                                      (in->ok ? "answered " + in->result.dump() : in->message));
        }
        if (!m_pipelined && m_sent < m_plan.size()) sendNext();
        if (m_answered == m_plan.size()) m_over = true;
    }

    const std::vector<PlannedSet>& m_plan;
    const bool m_pipelined;
    std::vector<Clock::time_point> m_sentAt;
    std::size_t m_sent = 0;
    std::size_t m_answered = 0;
    bool m_over = false;
    QByteArray m_buffer;
};

}  // namespace

LoadClients::LoadClients(std::string socketPath, std::vector<std::vector<PlannedSet>> plans,
                         bool pipelined)
    : m_path(std::move(socketPath)), m_plans(std::move(plans)), m_pipelined(pipelined) {}

LoadClients::~LoadClients() {
    if (m_thread) {
        stop();
        m_thread->wait();
    }
}

void LoadClients::start() {
    m_thread.reset(QThread::create([this] { run(); }));
    m_thread->start();
}

LoadResult LoadClients::take() {
    if (m_thread) m_thread->wait();
    return std::move(m_result);
}

void LoadClients::run() {
    QEventLoop loop;
    std::vector<std::unique_ptr<Client>> clients;
    Clock::time_point first;
    auto finishWhenOver = [&] {
        if (std::all_of(clients.begin(), clients.end(), [](const auto& c) { return c->over(); })) {
            m_result.seconds = std::chrono::duration<double>(Clock::now() - first).count();
            m_result.finished = true;
            loop.quit();
        }
    };
    for (const auto& plan : m_plans) {
        clients.push_back(std::make_unique<Client>(plan, m_pipelined));
        Client* c = clients.back().get();
        QObject::connect(&c->socket, &QLocalSocket::connected, &c->socket,
                         [this] { ++m_connected; });
        QObject::connect(&c->socket, &QLocalSocket::readyRead, &c->socket, [&, c] {
            c->readAnswers();
            if (m_result.started) finishWhenOver();
        });
        QObject::connect(&c->socket, &QLocalSocket::disconnected, &c->socket, [&, c] {
            c->closed();
            if (m_result.started) finishWhenOver();
        });
        c->socket.connectToServer(QString::fromStdString(m_path));
    }

    // Waits for the word to go (or to stop), then sends.
    QTimer gate;
    gate.setTimerType(Qt::PreciseTimer);
    gate.setInterval(1);
    QObject::connect(&gate, &QTimer::timeout, &loop, [&] {
        if (m_stop.load()) {
            loop.quit();
            return;
        }
        if (m_result.started || !m_go.load()) return;
        m_result.started = true;
        gate.setInterval(50);
        first = Clock::now();
        for (auto& c : clients) c->begin();
        finishWhenOver();
    });
    gate.start();
    loop.exec();

    for (auto& c : clients) {
        c->socket.disconnect();  // no more slots while the sockets go
        m_result.clients.push_back(std::move(c->result));
    }
}

}  // namespace vt::bench
