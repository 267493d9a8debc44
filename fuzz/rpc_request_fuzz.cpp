// Fuzz target: one message of a control service client, read as the service reads a request, and
// the same bytes read as a client reads an answer. Neither throws; a request that is read has the
// shape the service relies on, and the answers the service writes for it (a result, "Method not
// found") or for a message it refuses read back with the request's id, code and message.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "service/rpc_protocol.h"

namespace {

using namespace vt::service;

// An error answer as the service writes it, read back by a client, says what was written.
void checkErrorAnswer(const Json& id, int code, const std::string& message) {
    const auto back = parseIncoming(errorMessage(id, code, message));
    if (!back || back->notification || back->ok || back->id != id || back->code != code ||
        back->message != message)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const RpcParse parsed = parseRequest(text);
    if (parsed.request) {
        const RpcRequest& r = *parsed.request;
        const bool idFits = r.id.is_null() || r.id.is_string() || r.id.is_number_integer();
        if (!idFits || (r.notification && !r.id.is_null()) || !r.params.is_object()) std::abort();
        const auto result = parseIncoming(resultMessage(r.id, Json::object()));
        if (!result || !result->ok || result->id != r.id) std::abort();
        checkErrorAnswer(r.id, kMethodNotFound, "Method not found: " + r.method);
    } else {
        const RpcProblem& p = parsed.problem;
        if (p.code != kParseError && p.code != kInvalidRequest && p.code != kInvalidParams)
            std::abort();
        if (p.message.empty()) std::abort();
        checkErrorAnswer(p.id, p.code, p.message);
    }
    // A client reads whatever the other side sends.
    (void)parseIncoming(text);
    return 0;
}
