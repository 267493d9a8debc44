// Reading and writing JSON-RPC 2.0 messages.
#include "service/rpc_protocol.h"

namespace vt::service {

int exitCodeOf(int code) {
    if (code <= -32001 && code >= -32009) return -32000 - code;
    return 1;
}

int codeOfExit(int exitCode) {
    return -32000 - exitCode;
}

namespace {

// Requests are shallow; a deeper message is refused before the recursive parser sees it, so
// that no client decides how deep the service's stack goes.
constexpr int kMaxDepth = 64;

bool tooDeep(std::string_view text) {
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (const char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxDepth) return true;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return false;
}

}  // namespace

RpcParse parseRequest(std::string_view text) {
    RpcParse out;
    if (tooDeep(text)) {
        out.problem = {kParseError, "Parse error: the message is nested too deeply", nullptr};
        return out;
    }
    Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (doc.is_discarded()) {
        out.problem = {kParseError, "Parse error: the message is not JSON", nullptr};
        return out;
    }
    if (!doc.is_object()) {
        out.problem = {kInvalidRequest,
                       doc.is_array() ? "Invalid Request: batches are not supported"
                                      : "Invalid Request: a request is a JSON object",
                       nullptr};
        return out;
    }
    Json id = nullptr;
    const bool hasId = doc.contains("id");
    if (hasId) {
        const Json& given = doc["id"];
        if (given.is_string() || given.is_number_integer() || given.is_number_unsigned() ||
            given.is_null())
            id = given;
        else {
            out.problem = {kInvalidRequest, "Invalid Request: id must be a string or an integer",
                           nullptr};
            return out;
        }
    }
    auto version = doc.find("jsonrpc");
    if (version == doc.end() || !version->is_string() || *version != "2.0") {
        out.problem = {kInvalidRequest, "Invalid Request: \"jsonrpc\" must be \"2.0\"", id};
        return out;
    }
    auto method = doc.find("method");
    if (method == doc.end() || !method->is_string()) {
        out.problem = {kInvalidRequest, "Invalid Request: \"method\" must be a string", id};
        return out;
    }
    RpcRequest r;
    r.id = id;
    r.notification = !hasId;
    r.method = method->get<std::string>();
    r.params = Json::object();
    if (auto params = doc.find("params"); params != doc.end()) {
        if (!params->is_object()) {
            out.problem = {kInvalidParams, "Invalid params: \"params\" must be an object", id};
            return out;
        }
        r.params = *params;
    }
    out.request = std::move(r);
    return out;
}

std::string resultMessage(const Json& id, const Json& result) {
    Json m;
    m["jsonrpc"] = "2.0";
    m["id"] = id;
    m["result"] = result;
    return m.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string errorMessage(const Json& id, int code, std::string_view message) {
    Json m;
    m["jsonrpc"] = "2.0";
    m["id"] = id;
    m["error"] = {{"code", code}, {"message", std::string(message)}};
    if (const int exit = exitCodeOf(code); exit != 1) m["error"]["data"] = {{"exit", exit}};
    return m.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string notificationMessage(std::string_view method, const Json& params) {
    Json m;
    m["jsonrpc"] = "2.0";
    m["method"] = std::string(method);
    m["params"] = params;
    return m.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string requestMessage(int id, std::string_view method, const Json& params) {
    Json m;
    m["jsonrpc"] = "2.0";
    m["id"] = id;
    m["method"] = std::string(method);
    m["params"] = params;
    return m.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<RpcIncoming> parseIncoming(std::string_view text) {
    Json doc = Json::parse(text.begin(), text.end(), nullptr, false);
    if (!doc.is_object()) return std::nullopt;
    RpcIncoming in;
    if (auto method = doc.find("method"); method != doc.end()) {
        if (!method->is_string()) return std::nullopt;
        in.notification = true;
        in.method = method->get<std::string>();
        in.params = doc.value("params", Json::object());
        return in;
    }
    in.id = doc.value("id", Json());
    if (auto result = doc.find("result"); result != doc.end()) {
        in.ok = true;
        in.result = *result;
        return in;
    }
    auto error = doc.find("error");
    if (error == doc.end() || !error->is_object()) return std::nullopt;
    // Looked up, not indexed: indexing adds a missing member, which may move the others.
    const auto code = error->find("code");
    const auto message = error->find("message");
    if (code == error->end() || message == error->end() || !code->is_number_integer() ||
        !message->is_string())
        return std::nullopt;
    in.code = code->get<int>();
    in.message = message->get<std::string>();
    return in;
}

}  // namespace vt::service
