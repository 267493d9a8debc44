// The owner's control service: every client's requests (JSON-RPC 2.0) carried out on the same
// model and link the owner uses, answers in each client's order, and the notifications of what
// the unit took and of the link's state. The window and `vortella-cli serve` both run one.
#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "devices/link_runtime.h"
#include "service/client_channel.h"
#include "service/rpc_protocol.h"
#include "service/unit_session.h"
#include "service/write_tracker.h"

namespace vt::service {

struct ServiceOptions {
    // The owner program, named in `status` and as the source of its own changes: "window" or
    // "serve".
    std::string program = "serve";
    std::string version;
    // What `status` says of the unit: its node, or "simulated".
    std::function<std::string()> unitName;
    // How long one request may wait for the unit (as the command-line program's --timeout).
    std::chrono::milliseconds requestTimeout{10000};
    // A client that sends nothing for this long and follows no notifications is dropped.
    std::chrono::milliseconds idleLimit{std::chrono::minutes(10)};
    int maxClients = 64;
    int language = 0;  // of the texts of preset files read by `load`
};

class ControlService : public QObject, public UnitSession {
    Q_OBJECT
  public:
    ControlService(ParameterModel& model, devices::LinkRuntime& runtime, ServiceOptions options,
                   QObject* parent = nullptr);
    ~ControlService() override;

    // Takes the client over (it becomes the channel's parent); past the limit the client gets
    // an error and is dropped.
    void addClient(ClientChannel* channel);
    int clientCount() const { return static_cast<int>(m_clients.size()); }

    // UnitSession
    ParameterModel& model() override { return m_model; }
    Link& link() override { return m_runtime.link(); }
    int imageApplications() const override { return m_runtime.imageApplications(); }
    std::size_t messageCount() const override { return m_messageCount; }
    std::string lastMessage() const override { return m_lastMessage; }
    void failStep(std::string why, int exitCode = kFailExitDevice) override;
    void writeParameter(int address, int value) override;

    // The store and restore commands: written like parameters, but none.
    static bool isCommandSlot(int address) {
        return address == slot_ids::kSysStore || address == slot_ids::kSysRecall;
    }
    // "offline", "busy" or "connected".
    static std::string linkStateName(int linkState);

  signals:
    // A client changed a parameter: both images hold it; the window shows it.
    void parameterWritten(int address, int value);

  private:
    struct Answer {
        Json id;
        std::optional<std::string> text;  // the message, once the request is answered
    };
    struct Client {
        ClientChannel* channel = nullptr;
        bool subscribed = false;
        std::deque<std::shared_ptr<Answer>> answers;  // in request order
        std::chrono::steady_clock::time_point lastHeard;
    };
    // A request that waits for the unit, in arrival order: a write, or a step.
    struct Work {
        int client = 0;
        std::shared_ptr<Answer> answer;
        std::string what;
        std::optional<QueuedWrite> write;
        Step step;
        std::function<Json()> result;
        // Set while a write next in line waits for the unit to be connected.
        std::optional<std::chrono::steady_clock::time_point> deadline;
        std::shared_ptr<void> keep;  // what the step refers to (a decoded preset)
    };

    void received(int client, const std::string& text);
    void dropClient(int client);
    void answer(int client, const std::shared_ptr<Answer>& slot, std::string text);
    void flush(int client);
    void notifySubscribers(const std::string& text);

    // Carries out a request; returns the answer when there is one at once.
    std::optional<std::string> dispatch(int client, const RpcRequest& request,
                                        const std::shared_ptr<Answer>& slot);
    std::optional<std::string> queueWork(Work work);
    void poll();
    void pollCurrent();
    void failWork(const std::string& why, int exitCode);
    void finishCurrent(bool ok, std::string why, int exitCode);

    Json statusJson();
    bool unitAway();

    void onWriteConfirmed(int address, int value);
    void onImageApplied();
    void onMessage(const QString& text);
    void onLinkLabel();

    ParameterModel& m_model;
    devices::LinkRuntime& m_runtime;
    ServiceOptions m_options;
    std::map<int, Client> m_clients;
    int m_nextClient = 1;

    WriteTracker m_writes{*this};
    std::deque<Work> m_work;        // waiting to begin
    std::optional<Work> m_current;  // the step that runs
    StepRunner m_runner;
    std::size_t m_currentMessages = 0;  // messages shown when the current step began
    std::string m_stepProblem;
    int m_stepExitCode = kFailExitDevice;
    QTimer m_poll;
    QTimer m_idleCheck;

    std::size_t m_messageCount = 0;
    std::string m_lastMessage;
    DeviceImage m_notified;  // the image as the subscribers were last told it
    std::string m_lastLink;  // the last link notification sent
};

}  // namespace vt::service
