// The control service's clients, its queue of requests that wait for the unit, and the
// notifications of what the unit took.
#include "service/control_service.h"

#include <malloc.h>
#include <unistd.h>

#include <algorithm>

#include "link/link_constants.h"
#include "model/slot_names.h"
#include "service/unit_json.h"

namespace vt::service {
namespace {

constexpr int kPollMs = 10;
// Writes handed to the link at most; the link's queue drops writes past its bound.
constexpr int kQueueRoom = WriteQueue::kMaxWaiting / 2;
using Clock = std::chrono::steady_clock;

}  // namespace

ControlService::ControlService(ParameterModel& model, devices::LinkRuntime& runtime,
                               ServiceOptions options, QObject* parent)
    : QObject(parent), m_model(model), m_runtime(runtime), m_options(std::move(options)) {
    m_notified = m_model.device;
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &ControlService::poll);
    m_idleCheck.setInterval(std::max<int>(
        1, static_cast<int>(std::min<long long>(m_options.idleLimit.count() / 4, 10000))));
    connect(&m_idleCheck, &QTimer::timeout, this, [this] {
        const auto now = Clock::now();
        std::vector<int> idle;
        for (const auto& [number, c] : m_clients)
            if (!c.subscribed && c.answers.empty() && now - c.lastHeard > m_options.idleLimit)
                idle.push_back(number);
        for (int number : idle) m_clients[number].channel->close();
    });
    m_idleCheck.start();
    connect(&runtime, &devices::LinkRuntime::writeConfirmed, this,
            &ControlService::onWriteConfirmed);
    connect(&runtime, &devices::LinkRuntime::imageApplied, this, &ControlService::onImageApplied);
    connect(&runtime, &devices::LinkRuntime::messageShown, this, &ControlService::onMessage);
    connect(&runtime, &devices::LinkRuntime::linkLabelChanged, this, &ControlService::onLinkLabel);
}

ControlService::~ControlService() {
    for (auto& [number, c] : m_clients) c.channel->disconnect(this);
}

void ControlService::releaseMemory() {
    // What a greedy client made the owner hold goes back to the system once it is gone.
    ::malloc_trim(0);
}

std::string ControlService::linkStateName(int linkState) {
    switch (linkState) {
        case kConnected:
            return "connected";
        case kPresent:
            return "busy";
        default:
            return "offline";
    }
}

int ControlService::clientCount(bool remote) const {
    return static_cast<int>(
        std::count_if(m_clients.begin(), m_clients.end(),
                      [remote](const auto& c) { return c.second.remote == remote; }));
}

void ControlService::addClient(ClientChannel* channel) {
    channel->setParent(this);
    const bool remote = channel->remote();
    const int most = remote ? m_options.maxClients : m_options.maxLocalClients;
    if (clientCount(remote) >= most) {
        channel->sendMessage(errorMessage(nullptr, kTooManyClients,
                                          std::string("too many ") +
                                              (remote ? "network" : "local") + " clients (" +
                                              std::to_string(most) + "); try again later"));
        channel->close();
        return;
    }
    const int number = m_nextClient++;
    Client& c = m_clients[number];
    c.channel = channel;
    c.remote = remote;
    c.lastHeard = Clock::now();
    connect(channel, &ClientChannel::messageReceived, this,
            [this, number](const std::string& text) { received(number, text); });
    connect(channel, &ClientChannel::closed, this, [this, number] { dropClient(number); });
    connect(channel, &ClientChannel::inputEnded, this, [this, number] {
        auto it = m_clients.find(number);
        if (it == m_clients.end()) return;
        it->second.ending = true;
        flush(number);
    });
}

void ControlService::dropClient(int client) {
    if (m_clients.erase(client) == 0) return;
    forgetReads(client);
    releaseMemory();
}

void ControlService::forgetReads(int client) {
    // Reads nobody waits for are not carried out; a gone client's writes and saves still are.
    std::erase_if(m_work, [client](const Work& w) { return w.client == client && w.readOnly; });
}

void ControlService::evict(int client, const std::string& why) {
    auto it = m_clients.find(client);
    if (it == m_clients.end()) return;
    ClientChannel* channel = it->second.channel;
    if (m_options.log)
        m_options.log("client " + channel->peer().toStdString() + ": dropped: " + why);
    // Its answers still to come go nowhere; what it was sent and did not take is let go.
    channel->disconnect(this);
    m_clients.erase(it);
    channel->close();
    forgetReads(client);
    releaseMemory();
}

bool ControlService::withinBounds(int client) {
    auto it = m_clients.find(client);
    if (it == m_clients.end()) return false;
    const Client& c = it->second;
    if (c.channel->inProcess()) return true;
    if (c.answers.size() > m_options.maxAwaiting) {
        evict(client, std::to_string(c.answers.size()) +
                          " requests awaiting their answers (at most " +
                          std::to_string(m_options.maxAwaiting) + ")");
        return false;
    }
    if (const qint64 queued = c.channel->queuedBytes(); queued > m_options.maxQueuedBytes) {
        evict(client, "it takes none of its answers (" + std::to_string(queued) +
                          " bytes queued, at most " + std::to_string(m_options.maxQueuedBytes) +
                          ")");
        return false;
    }
    return true;
}

void ControlService::received(int client, const std::string& text) {
    auto it = m_clients.find(client);
    if (it == m_clients.end()) return;
    it->second.lastHeard = Clock::now();
    const RpcParse parsed = parseRequest(text);
    auto slot = std::make_shared<Answer>();
    if (!parsed.request) {
        slot->id = parsed.problem.id;
        it->second.answers.push_back(slot);
        answer(client, slot,
               errorMessage(parsed.problem.id, parsed.problem.code, parsed.problem.message));
        return;
    }
    const RpcRequest& request = *parsed.request;
    slot->id = request.id;
    if (!request.notification) it->second.answers.push_back(slot);
    if (!withinBounds(client)) return;
    std::optional<std::string> now;
    try {
        now = dispatch(client, request, slot);
    } catch (const std::exception& e) {
        // A parameter of a shape no check foresaw: the request fails, the service goes on.
        now = errorMessage(request.id, kInvalidParams, std::string("Invalid params: ") + e.what());
    }
    if (now) answer(client, slot, std::move(*now));
}

void ControlService::answer(int client, const std::shared_ptr<Answer>& slot, std::string text) {
    slot->text = std::move(text);
    flush(client);
}

void ControlService::flush(int client) {
    auto it = m_clients.find(client);
    if (it == m_clients.end()) return;
    auto& answers = it->second.answers;
    while (!answers.empty() && answers.front()->text) {
        const std::string text = std::move(*answers.front()->text);
        answers.pop_front();
        it->second.channel->sendMessage(text);
        if (m_clients.find(client) == m_clients.end() || !withinBounds(client)) return;
    }
    if (it->second.ending && answers.empty()) it->second.channel->close();
}

void ControlService::notifySubscribers(const std::string& text) {
    std::vector<int> over;
    for (auto& [number, c] : m_clients) {
        if (!c.subscribed) continue;
        c.channel->sendMessage(text);
        if (c.channel->queuedBytes() > m_options.maxQueuedBytes) over.push_back(number);
    }
    for (int number : over) withinBounds(number);
}

Json ControlService::statusJson() {
    const LinkLabel& label = link().linkLabel();
    Json status;
    status["version"] = m_options.version;
    status["owner"] = {{"program", m_options.program}, {"pid", static_cast<long long>(getpid())}};
    status["unit"] = m_options.unitName ? m_options.unitName() : std::string();
    // The label turns offline before the link's state follows: the label tells.
    status["link"] = {{"state", unitAway() ? "offline" : linkStateName(link().linkState())},
                      {"text", label.text.caption}};
    status["clients"] = clientCount();
    return status;
}

bool ControlService::unitAway() {
    return link().linkLabel().colour == texts::kColourOffline;
}

std::optional<std::string> ControlService::queueWork(Work work) {
    if (unitAway()) return errorMessage(work.answer->id, kUnitFailed, std::string(texts::kOffline));
    m_work.push_back(std::move(work));
    if (!m_poll.isActive()) m_poll.start();
    poll();
    return std::nullopt;
}

void ControlService::failStep(std::string why, int exitCode) {
    if (!m_current) return;
    if (!m_stepProblem.empty()) return;  // the first reason stands
    m_stepProblem = std::move(why);
    m_stepExitCode = exitCode;
}

void ControlService::writeParameter(int address, int value) {
    // A client's change is not an edit of the window: it is no step of the window's history.
    WriteObserver* observer = m_model.writeObserver();
    m_model.setWriteObserver(nullptr);
    m_model.SendDatatoMCU(address, value);
    m_model.setWriteObserver(observer);
    if (!isCommandSlot(address)) emit parameterWritten(address, value);
}

void ControlService::finishCurrent(bool ok, std::string why, int exitCode) {
    // `why` is a copy: it is often the step's problem, cleared below.
    Work work = std::move(*m_current);
    m_current.reset();
    m_runner.clear();
    m_stepProblem.clear();
    const Json result = ok ? work.result() : Json();
    work.merged.emplace(work.merged.begin(), work.client, work.answer);
    for (const auto& [client, slot] : work.merged) {
        answer(client, slot,
               ok ? resultMessage(slot->id, result)
                  : errorMessage(slot->id, codeOfExit(exitCode), why));
    }
}

ControlService::Work* ControlService::commandToJoin(const std::string& method) {
    if (!m_work.empty()) return m_work.back().what == method ? &m_work.back() : nullptr;
    return m_current && m_current->what == method ? &*m_current : nullptr;
}

void ControlService::spaceStores(Step& step) {
    step.ready = [this, ready = std::move(step.ready)] {
        return Clock::now() >= m_nextStore && ready();
    };
    step.begin = [this, begin = std::move(step.begin)] {
        m_nextStore = Clock::now() + m_options.storeInterval;
        begin();
    };
    step.done = [this, done = std::move(step.done)] {
        if (!done()) return false;
        m_nextStore = Clock::now() + m_options.storeInterval;
        return true;
    };
}

void ControlService::failWork(const std::string& why, int exitCode) {
    if (m_current) finishCurrent(false, why, exitCode);
    m_writes.failAll(why);
    std::deque<Work> waiting;
    waiting.swap(m_work);
    for (Work& w : waiting) {
        w.merged.emplace(w.merged.begin(), w.client, w.answer);
        for (const auto& [client, slot] : w.merged)
            answer(client, slot, errorMessage(slot->id, codeOfExit(exitCode), why));
    }
}

void ControlService::pollCurrent() {
    if (!m_current) return;
    if (!m_stepProblem.empty()) {
        finishCurrent(false, m_stepProblem, m_stepExitCode);
        return;
    }
    switch (m_runner.poll()) {
        case StepRunner::State::Done:
            finishCurrent(true, {}, 0);
            break;
        case StepRunner::State::TimedOut:
            finishCurrent(false,
                          noAnswerText(m_options.requestTimeout, link().linkLabel().text.caption),
                          kFailExitDevice);
            break;
        default:
            if (!m_stepProblem.empty()) finishCurrent(false, m_stepProblem, m_stepExitCode);
            break;
    }
}

void ControlService::poll() {
    pollCurrent();
    m_writes.poll();
    // Writes go out together (the link paces them); a step waits for every write before it.
    bool waitingForUnit = false;
    while (!m_current && !m_work.empty()) {
        Work& head = m_work.front();
        if (head.write) {
            if (!connected()) {
                waitingForUnit = true;
                break;
            }
            // The link's queue is bounded: writes wait here while it is well filled.
            if (link().sendState().queue.count() >= kQueueRoom) break;
            Work w = std::move(head);
            m_work.pop_front();
            const int client = w.client;
            auto slot = w.answer;
            const QueuedWrite write = *w.write;
            m_writes.add(write, [this, client, slot, write](const std::optional<std::string>& f) {
                answer(client, slot,
                       f ? errorMessage(slot->id, kUnitFailed, *f)
                         : resultMessage(slot->id,
                                         {{"address", write.address}, {"value", write.value}}));
            });
            continue;
        }
        if (!m_writes.empty()) break;
        m_current = std::move(head);
        m_work.pop_front();
        m_currentMessages = m_messageCount;
        m_stepProblem.clear();
        m_runner.start(m_current->step, m_options.requestTimeout);
        pollCurrent();
    }
    // A write next in line waits for the unit as long as one command of the command line would.
    if (waitingForUnit) {
        Work& head = m_work.front();
        const auto now = Clock::now();
        if (!head.deadline) {
            head.deadline = now + m_options.requestTimeout;
        } else if (now > *head.deadline) {
            Work w = std::move(head);
            m_work.pop_front();
            answer(w.client, w.answer,
                   errorMessage(
                       w.answer->id, kUnitFailed,
                       noAnswerText(m_options.requestTimeout, link().linkLabel().text.caption)));
        }
    } else if (!m_work.empty()) {
        m_work.front().deadline.reset();
    }
    if (!m_current && m_work.empty() && m_writes.empty()) m_poll.stop();
}

void ControlService::onWriteConfirmed(int address, int value) {
    const bool ours = m_writes.confirmed(address, value);
    if (isCommandSlot(address) || !m_model.device.contains(moduleOf(address), slotOf(address)))
        return;
    // The link sends the last write of a burst once more: its second answer is no news.
    if (!ours && m_notified.at(address) == value) return;
    m_notified.set(address, value);
    notifySubscribers(notificationMessage(
        "changed", {{"address", address},
                    {"value", value},
                    {"name", slotName(address)},
                    {"source", ours ? std::string("client") : m_options.program}}));
}

void ControlService::onImageApplied() {
    const bool load = link().transferState().mode == kTransferWrite;
    for (int m = 0; m < kModuleCount; ++m) {
        for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s) {
            const int value = m_model.device.at(m, s);
            if (value == m_notified.at(m, s)) continue;
            m_notified.set(m, s, value);
            const int address = m * 256 + s;
            if (isCommandSlot(address)) continue;
            notifySubscribers(notificationMessage("changed", {{"address", address},
                                                              {"value", value},
                                                              {"name", slotName(address)},
                                                              {"source", load ? "load" : "read"}}));
        }
    }
}

void ControlService::onMessage(const QString& text) {
    ++m_messageCount;
    m_lastMessage = text.toStdString();
    if (m_lastMessage == texts::kSaveSuccessfully.text) return;
    failStep(m_lastMessage);
    m_writes.failAll(m_lastMessage);
}

void ControlService::onLinkLabel() {
    const Json state = statusJson()["link"];
    const std::string text = notificationMessage("link", state);
    if (text != m_lastLink) {
        m_lastLink = text;
        notifySubscribers(text);
    }
    if (unitAway() && (m_current || !m_work.empty() || !m_writes.empty()))
        failWork(std::string(texts::kOffline), kFailExitDevice);
}

}  // namespace vt::service
