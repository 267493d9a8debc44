// Requests to the owner's control service for the window, and the owner's notifications back into
// the window's images and link label.
#include "ui/served_link.h"

#include "link/link_constants.h"
#include "link/link_state.h"
#include "presets/preset_check.h"
#include "service/local_endpoint.h"
#include "service/unit_json.h"

namespace vt::ui {
namespace {

using service::Json;
using service::RpcIncoming;

// A slot of the unit's parameter map (what `set` takes and `changed` names).
bool inParameterMap(int address) {
    const int module = moduleOf(address);
    return address >= 0 && module < kModuleCount &&
           slotOf(address) < kSlotCount[static_cast<std::size_t>(module)];
}

int linkStateOf(const std::string& name) {
    if (name == "connected") return kConnected;
    if (name == "busy") return kPresent;
    return kNoDevice;
}

// The number `key` of a notification, or -1.
int intParam(const Json& params, const char* key) {
    const auto it = params.find(key);
    return it != params.end() && it->is_number_integer() ? it->get<int>() : -1;
}

}  // namespace

ServedLink::ServedLink(ParameterModel& model, LinkHost& host, std::string socketPath,
                       const std::optional<Json>& owner, QObject* parent)
    : QObject(parent),
      m_model(model),
      m_host(host),
      m_socketPath(std::move(socketPath)),
      m_ownerName(owner ? service::describeOwner(*owner) : "another program"),
      m_linkText(texts::kOffline),
      m_owner(model.device) {
    m_model.setWriteSink(this);
    connect(&m_client, &service::ControlClient::opened, this, &ServedLink::opened);
    connect(&m_client, &service::ControlClient::closed, this, &ServedLink::closed);
    connect(&m_client, &service::ControlClient::notification, this, &ServedLink::notified);
}

ServedLink::~ServedLink() {
    m_model.releaseWriteSink(this);
}

void ServedLink::start() {
    showLabel();
    m_client.open(m_socketPath);
}

int ServedLink::linkState() const {
    if (!m_client.isOpen()) return kNoDevice;
    if (m_ownerState == kConnected && !m_haveImage) return kPresent;
    return m_ownerState;
}

void ServedLink::opened() {
    // The owner named itself when the window asked at start-up, unless it was busy then.
    m_client.call("status", Json::object(), [this](const RpcIncoming& answer) {
        if (!answer.ok || !answer.result.is_object()) return;
        m_ownerName = service::describeOwner(answer.result);
        showLabel();
    });
    m_client.call("subscribe", Json::object(), [this](const RpcIncoming& answer) {
        if (answer.ok && answer.result.contains("link")) followLink(answer.result["link"]);
    });
}

void ServedLink::closed() {
    m_lost = true;
    m_sets.clear();
    m_requests = 0;
    m_imageAsked = false;
    m_ownerState = kNoDevice;
    m_linkText = texts::kOffline;
    showLabel();
    emit ownerLost();
}

void ServedLink::notified(const std::string& method, const Json& params) {
    if (method == "link") {
        followLink(params);
        return;
    }
    if (method != "changed" || !m_haveImage) return;  // the image asked for brings it
    const int address = intParam(params, "address");
    const int value = intParam(params, "value");
    if (!inParameterMap(address) || value < 0) return;
    followOwner(address, value);
    // Read again from the unit, the settings differ from what the window knew: what it could
    // undo no longer describes the unit.
    if (params.value("source", std::string()) == "read") m_host.unitImageRead();
}

void ServedLink::followLink(const Json& link) {
    m_ownerState = linkStateOf(link.value("state", std::string()));
    m_linkText = link.value("text", std::string(texts::kOffline));
    showLabel();
    if (m_ownerState == kConnected && !m_haveImage) requestImage();
}

void ServedLink::followOwner(int address, int value) {
    m_owner.set(address, value);
    if (m_sets.count(address) != 0 || m_model.device.at(address) == value) return;
    m_model.device.set(address, value);
    m_model.window.set(address, value);
    emit outsideChange(address, value);
}

void ServedLink::requestImage() {
    if (m_imageAsked) return;
    m_imageAsked = true;
    m_client.call("dump", Json::object(), [this](const RpcIncoming& answer) {
        m_imageAsked = false;
        DeviceImage owner = m_model.device;
        // Not there (the owner's unit is away): asked again once it is connected.
        if (!answer.ok || !service::imageFromJson(answer.result, owner)) return;
        m_owner = owner;
        for (int m = 0; m < kModuleCount; ++m)
            for (int s = 0; s < kSlotCount[static_cast<std::size_t>(m)]; ++s)
                if (m_sets.count(makeAddress(m, s)) == 0) m_model.device.set(m, s, owner.at(m, s));
        m_haveImage = true;
        showLabel();
        m_host.applyDeviceImage();
        m_host.unitImageRead();
    });
}

void ServedLink::requestSlot(int address) {
    m_client.call("get", {{"address", address}}, [this, address](const RpcIncoming& answer) {
        if (answer.ok && answer.result.value("value", Json()).is_number_integer())
            followOwner(address, answer.result["value"].get<int>());
    });
}

bool ServedLink::takesRequests() const {
    // A busy owner (writing a preset, reading its unit) takes requests and carries them out
    // once it is free, or answers why it could not: the window then shows the owner's value
    // again and says so. Without the owner's unit, or before its image is here, the window's
    // edits go nowhere, as its own link takes no writes then.
    return m_client.isOpen() && m_haveImage && m_ownerState != kNoDevice;
}

void ServedLink::queueWrite(int address, int value) {
    if (!takesRequests()) return;
    if (address == makeAddress(kSystemModule, slot_ids::kSysStore)) {
        command("store", Json::object(),
                [this] { tell(std::string(texts::kSaveSuccessfully.text)); });
        return;
    }
    if (address == makeAddress(kSystemModule, slot_ids::kSysRecall)) {
        // The owner reads its unit again; the changes come as notifications.
        command(value == link::kRecallFactory ? "factory" : "restore", Json::object(),
                [this] { m_host.unitImageRead(); });
        return;
    }
    if (!inParameterMap(address)) return;
    if (auto it = m_sets.find(address); it != m_sets.end()) {
        it->second.next = value;
        return;
    }
    sendSet(address, value);
}

void ServedLink::sendSet(int address, int value) {
    m_sets[address].next.reset();
    m_client.call(
        "set", {{"address", address}, {"value", value}},
        [this, address, value](const RpcIncoming& answer) { setAnswered(address, value, answer); });
}

void ServedLink::setAnswered(int address, int value, const RpcIncoming& answer) {
    if (!m_client.isOpen()) return;
    const auto it = m_sets.find(address);
    if (it == m_sets.end()) return;
    const std::optional<int> next = it->second.next;
    if (answer.ok) m_owner.set(address, value);
    if (next && *next != value) {
        sendSet(address, *next);
        return;
    }
    m_sets.erase(it);
    if (!answer.ok) {
        tell(answer.message);
        requestSlot(address);  // back to what the owner holds
    }
}

void ServedLink::writeImage() {
    if (!takesRequests()) return;
    DeviceImage chosen = presets::noSlotsSet();
    for (int m = 0; m < kModuleCount; ++m)
        for (int s = 0; s < kDeviceSlots; ++s)
            if (m_model.device.at(m, s) != m_owner.at(m, s))
                chosen.set(m, s, m_model.device.at(m, s));
    const Json request = service::presetSlotsJson(chosen);
    ++m_requests;
    m_client.call("write_image", request, [this, request](const RpcIncoming& answer) {
        if (!m_client.isOpen()) return;
        --m_requests;
        if (!answer.ok) {
            tell(answer.message);
            requestImage();  // back in line with what the owner's unit holds
            return;
        }
        for (const Json& e : request["slots"])
            m_owner.set(e[0].get<int>(), e[1].get<int>(), e[2].get<int>());
        m_host.applyDeviceImage();
    });
}

void ServedLink::sendBluetooth(const QByteArray& payload) {
    command("bluetooth", {{"payload", payload.toHex().toStdString()}}, {});
}

void ServedLink::command(const char* method, const Json& params, std::function<void()> done) {
    ++m_requests;
    m_client.call(method, params, [this, done = std::move(done)](const RpcIncoming& answer) {
        if (!m_client.isOpen()) return;
        --m_requests;
        if (!answer.ok)
            tell(answer.message);
        else if (done)
            done();
    });
}

void ServedLink::showLabel() {
    LinkLabel label;
    label.text.caption = m_linkText;
    label.text.hint = m_lost ? m_ownerName + " no longer serves the unit; looking for it again"
                             : "served by " + m_ownerName;
    const int state = linkState();
    label.colour = state == kConnected ? texts::kColourFinished
                   : state == kPresent ? texts::kColourBusy
                                       : texts::kColourOffline;
    m_host.linkLabelChanged(label);
}

void ServedLink::tell(const std::string& text) {
    if (m_telling) return;
    m_telling = true;
    m_host.showMessage(text, pick(texts::kConfirmCaption, m_language));
    m_telling = false;
}

}  // namespace vt::ui
