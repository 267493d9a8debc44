// The control service's methods: each request's parameters checked and turned into an answer, or
// into work that waits for the unit.
#include <QByteArray>

#include "eqfile/channel_fit.h"
#include "eqfile/filter_list_file.h"
#include "link/link_constants.h"
#include "model/number_text.h"
#include "model/slot_names.h"
#include "model/typed_write.h"
#include "presets/path_rules.h"
#include "presets/preset_check.h"
#include "presets/preset_codec.h"
#include "presets/preset_file.h"
#include "service/control_service.h"
#include "service/unit_json.h"
#include "service/unit_steps.h"

namespace vt::service {
namespace {

// A parameter's number as a typed word: JSON numbers and strings ("0x0105") alike.
std::optional<std::string> numberWord(const Json& params, const char* key) {
    auto it = params.find(key);
    if (it == params.end()) return std::nullopt;
    // Unsigned first: a number past the signed range is one too, and must be named as given.
    if (it->is_number_unsigned()) return std::to_string(it->get<unsigned long long>());
    if (it->is_number_integer()) return std::to_string(it->get<long long>());
    if (it->is_string()) return it->get<std::string>();
    return std::nullopt;
}

std::string invalidParams(const Json& id, const std::string& why) {
    return errorMessage(id, kInvalidParams, "Invalid params: " + why);
}

// An optional string parameter; false when present with another type.
bool stringParam(const Json& params, const char* key, std::string& value) {
    auto it = params.find(key);
    if (it == params.end() || it->is_null()) return true;
    if (!it->is_string()) return false;
    value = it->get<std::string>();
    return true;
}

// The payload area of a Bluetooth text packet.
constexpr std::size_t kBluetoothPayloadBytes = 24;

// "2003414243" as bytes; nullopt unless it is pairs of hexadecimal digits.
std::optional<std::vector<std::uint8_t>> hexBytes(const std::string& text) {
    if (text.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = hexDigit(text[i]);
        const int low = hexDigit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        bytes.push_back(static_cast<std::uint8_t>(high * 16 + low));
    }
    return bytes;
}

// An optional boolean parameter; false when present with another type.
bool boolParam(const Json& params, const char* key, bool& value) {
    auto it = params.find(key);
    if (it == params.end() || it->is_null()) return true;
    if (!it->is_boolean()) return false;
    value = it->get<bool>();
    return true;
}

// The text a request passes as "content" ("encoding": "base64" when it is sent so); nullopt when
// it passes none. `problem` is set when the parameters are of the wrong shape.
std::optional<std::string> contentParam(const Json& params, std::string& problem) {
    std::string content, encoding;
    if (!stringParam(params, "content", content) || !stringParam(params, "encoding", encoding)) {
        problem = "\"content\" and \"encoding\" must be strings";
        return std::nullopt;
    }
    if (!params.contains("content") || params["content"].is_null()) return std::nullopt;
    if (encoding.empty() || encoding == "text") return content;
    if (encoding != "base64") {
        problem = "\"encoding\" takes \"text\" or \"base64\"";
        return std::nullopt;
    }
    const auto decoded = QByteArray::fromBase64Encoding(QByteArray::fromStdString(content),
                                                        QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded) {
        problem = "\"content\" is not base64";
        return std::nullopt;
    }
    return decoded.decoded.toStdString();
}

}  // namespace

std::optional<std::string> ControlService::namedFile(int client, const std::string& method,
                                                     std::string& path, std::string& shown) {
    shown = path;
    if (std::string why = presets::controlCharacterProblem(path); !why.empty())
        return method + ": the path " + why;
    if (m_clients[client].remote) {
        // A client on the network holds the token and nothing more: the preset folder is all
        // of the user's files it may name.
        if (method == "save") path = presets::forcePresetExtension(path);
        const presets::FolderFile file = presets::fileInFolder(presets::presetFolder(), path);
        if (!file.problem.empty()) return method + ": " + file.problem;
        shown = path;
        path = file.path;
        return std::nullopt;
    }
    if (path.front() != '/') return method + ": the path must be absolute: " + path;
    if (method == "save") shown = path = presets::forcePresetExtension(path);
    return std::nullopt;
}

std::optional<std::string> ControlService::dispatch(int client, const RpcRequest& request,
                                                    const std::shared_ptr<Answer>& slot) {
    const Json& id = request.id;
    const Json& params = request.params;
    const std::string& method = request.method;
    Work work;
    work.client = client;
    work.answer = slot;
    work.what = method;

    if (method == "status") return resultMessage(id, statusJson());
    if (method == "subscribe" || method == "unsubscribe") {
        m_clients[client].subscribed = method == "subscribe";
        Json result = {{"subscribed", method == "subscribe"}};
        if (method == "subscribe") result["link"] = statusJson()["link"];
        return resultMessage(id, result);
    }
    if (method == "get" || method == "set") {
        const auto address = numberWord(params, "address");
        const auto value = method == "set" ? numberWord(params, "value") : std::string("0");
        if (!address) return invalidParams(id, "\"address\" must be a number or a string");
        if (!value) return invalidParams(id, "\"value\" must be a number or a string");
        const TypedWrite typed = readTypedWrite(*address, *value);
        if (!typed.problem.empty()) {
            std::string why = typed.problem;
            if (method == "get") why.replace(0, 3, "get");
            return errorMessage(id, kBadInput, why);
        }
        if (method == "get") {
            // Before the first read the image holds placeholders, not the unit's values.
            if (imageApplications() == 0)
                return errorMessage(id, kUnitFailed, std::string(texts::kOffline));
            return resultMessage(id, {{"address", typed.address},
                                      {"value", m_model.device.at(typed.address)},
                                      {"name", slotName(typed.address)}});
        }
        work.write = QueuedWrite{typed.address, static_cast<std::uint16_t>(typed.value)};
        work.what = "set " + hex4(typed.address) + " " + std::to_string(typed.value);
        return queueWork(std::move(work));
    }
    if (method == "dump" || method == "save") {
        bool fresh = false;
        if (!boolParam(params, "fresh", fresh))
            return invalidParams(id, "\"fresh\" must be true or false");
        std::string path, shown;
        if (!stringParam(params, "path", path))
            return invalidParams(id, "\"path\" must be a string");
        const bool save = method == "save";
        if (save && !path.empty())
            if (auto refused = namedFile(client, method, path, shown))
                return errorMessage(id, kBadInput, *refused);
        auto result = std::make_shared<Json>();
        work.readOnly = path.empty();
        work.step =
            imageStep(*this, !fresh, [this, result, save, path, shown](const ParameterModel& m) {
                if (!save) {
                    *result = imageJson(m.device);
                    return true;
                }
                const std::string text =
                    presets::presetFileText(presets::savePresetLines(m.device, m.deviceVariant));
                if (path.empty()) {
                    *result = {{"text", text}};
                    return true;
                }
                if (std::string failure = presets::writeFileAtomically(path, text);
                    !failure.empty()) {
                    if (shown != path) failure = "cannot write " + shown;  // no folder named
                    failStep(failure, kFailExitOutput);
                    return false;
                }
                *result = {{"path", shown}};
                return true;
            });
        work.result = [result] { return *result; };
        return queueWork(std::move(work));
    }
    if (method == "load") {
        std::string path, shown, problem;
        const auto content = contentParam(params, problem);
        if (!problem.empty()) return invalidParams(id, problem);
        if (!stringParam(params, "path", path) || (path.empty() && !content))
            return invalidParams(id, "\"path\" must name a preset file, or \"content\" give one");
        std::shared_ptr<presets::LoadOutcome> loaded;
        if (content) {
            shown = "content";
            loaded = std::make_shared<presets::LoadOutcome>(
                presets::loadPresetText(*content, m_options.language));
        } else {
            if (auto refused = namedFile(client, method, path, shown))
                return errorMessage(id, kBadInput, *refused);
            loaded = std::make_shared<presets::LoadOutcome>(
                presets::loadPresetFile(path, m_options.language));
        }
        if (!loaded->message.empty())
            return errorMessage(id, kBadInput, shown + ": " + loaded->message);
        work.step = loadStep(*this, loaded->preset);
        work.keep = loaded;
        work.result = [shown] { return Json{{"loaded", shown}}; };
        return queueWork(std::move(work));
    }
    if (method == "write_image") {
        DeviceImage given = presets::noSlotsSet();
        if (!presetSlotsFromJson(params, given))
            return invalidParams(id,
                                 "\"slots\" must list [module, slot, value] of slots a "
                                 "preset sets, values 0 to 65535");
        work.step = imageWriteStep(*this, given);
        const auto count = params.at("slots").size();
        work.result = [count] { return Json{{"written", count}}; };
        return queueWork(std::move(work));
    }
    if (method == "bluetooth") {
        std::string hex;
        const auto payload = stringParam(params, "payload", hex) ? hexBytes(hex) : std::nullopt;
        if (!payload || payload->empty() || payload->size() > kBluetoothPayloadBytes)
            return invalidParams(id, "\"payload\" must be 1 to 24 bytes in hexadecimal");
        work.step = bluetoothStep(*this, *payload);
        work.result = [] { return Json::object(); };
        return queueWork(std::move(work));
    }
    if (method == "store" || method == "restore" || method == "factory") {
        // Presses that come while the same command waits, or runs with nothing after it, get its
        // answer: a flood of them never turns into a flood of writes of the unit's memory.
        if (Work* same = commandToJoin(method)) {
            same->merged.emplace_back(client, slot);
            return std::nullopt;
        }
        work.step = method == "store" ? storeStep(*this) : recallStep(*this, method == "factory");
        if (method == "store") spaceStores(work.step);
        work.result = [] { return Json::object(); };
        return queueWork(std::move(work));
    }
    if (method == "eq.fit" || method == "eq.apply") {
        std::string path, shown, channel = "main", source = "L", problem;
        const auto content = contentParam(params, problem);
        if (!problem.empty()) return invalidParams(id, problem);
        if (!stringParam(params, "path", path) || (path.empty() && !content))
            return invalidParams(id, "\"path\" must name a filter list, or \"content\" give one");
        if (!stringParam(params, "channel", channel) || (channel != "main" && channel != "aux"))
            return invalidParams(id, "\"channel\" takes \"main\" or \"aux\"");
        if (!stringParam(params, "source_channel", source) || (source != "L" && source != "R"))
            return invalidParams(id, "\"source_channel\" takes \"L\" or \"R\"");
        const auto side =
            source == "L" ? eqfile::SourceChannel::Left : eqfile::SourceChannel::Right;
        eqfile::FilterListLoad load;
        if (content) {
            shown = "content";
            load = eqfile::filterListFromText(*content, side);
        } else {
            if (auto refused = namedFile(client, method, path, shown))
                return errorMessage(id, kBadInput, *refused);
            load = eqfile::loadFilterList(path, side);
        }
        if (!load.file) {
            // The lines quoted are of a file the client named or gave.
            std::string why = shown + ": " + load.message;
            for (const auto& p : load.problems)
                why +=
                    "\n" + shown + ":" + std::to_string(p.line) + ": " + p.reason + ": " + p.text;
            return errorMessage(id, kBadInput, why);
        }
        const eqfile::ChannelFit fit =
            eqfile::fitChannel(*load.file, channel == "main" ? kMainModule : kAuxModule);
        const Json fitted = fitJson(fit);
        if (method == "eq.fit") return resultMessage(id, fitted);
        auto writes = std::make_shared<std::vector<eqfile::ParameterWrite>>(eqfile::fitWrites(fit));
        auto remaining = std::make_shared<std::size_t>(writes->size());
        work.step.ready = [this] { return idle(); };
        work.step.begin = [this, writes, remaining] {
            for (const auto& w : *writes) {
                m_writes.add({w.address, static_cast<std::uint16_t>(w.value)},
                             [this, remaining](const std::optional<std::string>& failure) {
                                 if (failure) failStep(*failure);
                                 if (*remaining > 0) --*remaining;
                             });
            }
        };
        work.step.done = [remaining] { return *remaining == 0; };
        work.result = [fitted] { return fitted; };
        return queueWork(std::move(work));
    }
    return errorMessage(id, kMethodNotFound, "Method not found: " + method);
}

}  // namespace vt::service
