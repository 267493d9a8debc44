// JSON-RPC 2.0 messages of the control service, without Qt: a request read from one message of a
// client, and the answers, errors and notifications written back. Every message is one JSON
// object; on the local socket one per line.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace vt::service {

using Json = nlohmann::ordered_json;

// The largest message a client may send (a longer line drops the client).
inline constexpr std::size_t kMaxMessageBytes = 64 * 1024;

// Error codes: JSON-RPC's own, then the command-line program's exit codes as -32000 - code.
enum RpcCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
    kBadInput = -32002,      // exit 2: an argument or a file
    kUnitFailed = -32003,    // exit 3: the unit failed, did not answer, or is away
    kOutputFailed = -32004,  // exit 4: a file could not be written
    kTooManyClients = -32010,
};

// The exit code of the command-line program for an error code (1 for JSON-RPC's own).
int exitCodeOf(int code);
// The error code for an exit code of the command-line program.
int codeOfExit(int exitCode);

struct RpcRequest {
    Json id;  // null for a notification (no answer is sent)
    bool notification = false;
    std::string method;
    Json params;  // an object (empty when absent)
};

struct RpcProblem {
    int code = 0;
    std::string message;
    Json id;  // the request's id when it could be read, else null
};

struct RpcParse {
    std::optional<RpcRequest> request;
    RpcProblem problem;  // when there is no request
};

// Reads one request. Never throws; malformed input gives a parse error or an invalid request.
RpcParse parseRequest(std::string_view text);

std::string resultMessage(const Json& id, const Json& result);
std::string errorMessage(const Json& id, int code, std::string_view message);
std::string notificationMessage(std::string_view method, const Json& params);
std::string requestMessage(int id, std::string_view method, const Json& params);

// A message a client receives: an answer to its request or a notification.
struct RpcIncoming {
    bool notification = false;
    Json id;
    std::string method;  // notifications
    Json params;         // notifications
    bool ok = false;     // answers
    Json result;
    int code = 0;
    std::string message;
};

// Reads one message from the service; nullopt when it is not a JSON-RPC answer or notification.
std::optional<RpcIncoming> parseIncoming(std::string_view text);

}  // namespace vt::service
