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
    // Clients at once: on the network (WebSocket), and on the local socket or in-process, kept
    // apart so that network clients never take the user's own place.
    int maxClients = 64;
    int maxLocalClients = 64;
    // Per client: requests awaiting their answer, and bytes of answers and notifications the
    // client has not taken; past either the client is dropped.
    std::size_t maxAwaiting = 1024;
    qint64 maxQueuedBytes = 1024 * 1024;
    // Where a dropped client is told of ("client local pid 12: dropped: ..."); nowhere when empty.
    std::function<void(const std::string&)> log;
    // The least time from the end of one store of the unit's settings to the start of the next:
    // every store writes the unit's non-volatile memory.
    std::chrono::milliseconds storeInterval{3000};
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
    int clientCount(bool remote) const;

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
        bool remote = false;
        bool subscribed = false;
        bool ending = false;                          // its input ended: closed once it is answered
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
        bool readOnly = false;       // changes nothing: not worth doing once its client is gone
        // Requests of the same command merged into this one, answered with its result.
        std::vector<std::pair<int, std::shared_ptr<Answer>>> merged;
    };

    void received(int client, const std::string& text);
    void dropClient(int client);
    // Drops a client that broke a bound, with a line in the log.
    void evict(int client, const std::string& why);
    // False (and the client dropped) when it holds more of the owner than it may.
    bool withinBounds(int client);
    static void releaseMemory();
    void forgetReads(int client);
    void answer(int client, const std::shared_ptr<Answer>& slot, std::string text);
    void flush(int client);
    void notifySubscribers(const std::string& text);

    // Carries out a request; returns the answer when there is one at once.
    std::optional<std::string> dispatch(int client, const RpcRequest& request,
                                        const std::shared_ptr<Answer>& slot);
    std::optional<std::string> queueWork(Work work);
    // Checks the file a request names for this client: the refusal, or nullopt with `path` made
    // the file's full path and `shown` what answers may call it.
    std::optional<std::string> namedFile(int client, const std::string& method, std::string& path,
                                         std::string& shown);
    void poll();
    void pollCurrent();
    void failWork(const std::string& why, int exitCode);
    void finishCurrent(bool ok, std::string why, int exitCode);
    // The store, restore or factory command last in line (waiting, or running with nothing
    // after it), which a request of the same command joins instead of repeating it.
    Work* commandToJoin(const std::string& method);
    // Makes a store wait for the least interval after the last one.
    void spaceStores(Step& step);

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
    std::chrono::steady_clock::time_point m_nextStore{};

    std::size_t m_messageCount = 0;
    std::string m_lastMessage;
    DeviceImage m_notified;  // the image as the subscribers were last told it
    std::string m_lastLink;  // the last link notification sent
};

}  // namespace vt::service
