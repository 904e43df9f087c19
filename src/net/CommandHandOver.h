#pragma once
// What a verified request asks of the rest of the agent. The network layer
// decodes; the application decides who carries it out.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/FlatRequest.h"

#include "runtime/Backlog.h"
#include "runtime/Json.h"
#include "runtime/PointerDelta.h"

namespace tarsel {

struct CommandRequest {
    std::string type;  // as received
    std::string name;  // lower-cased, spaces as "_"
    std::optional<int64_t> val;
    std::optional<PointerDelta> extra;  // {dx, dy} or {dy} only
};

// Every call returns at once; the effects keep the order of the calls.
class RequestHandler {
  public:
    virtual ~RequestHandler() = default;
    virtual void command(const std::string& name, std::optional<int64_t> val,
                         const std::optional<PointerDelta>& extra) = 0;
    virtual void mousePress() = 0;
    virtual void mouseRelease() = 0;
    virtual void text(const std::string& text) = 0;
    virtual std::vector<std::string> fetchShortcuts() = 0;  // one datagram per section
    virtual void syncShortcuts(Json batch) = 0;             // section name → items
    // "fetch_pad" and "save_pad": the browser's own buttons; the one reply.
    virtual std::string pad(const std::string& type, const Json& request) {
        (void)type;
        (void)request;
        return "";
    }
    // What each endpoint has waiting; commands are admitted against it.
    virtual Backlog& backlog() = 0;
};

// What the dispatch reads of a request, whichever reader read it; views into
// the datagram or the parsed request, which must outlive it.
struct RequestFields {
    std::optional<std::string_view> pin, type;  // string members only
    std::optional<long long> val, dx, dy;       // integral members only
    Json* json = nullptr;  // the whole request, from the full parser; its sections may be taken

    static RequestFields of(Json& request);
    static RequestFields of(const FlatRequest& flat);
};

CommandRequest buildCommand(const std::string& type, const RequestFields& fields);
// "mouse_down"/"mouse_up" exactly as received press/release; all else dispatches.
void runCommand(const CommandRequest& command, RequestHandler& handler);

}  // namespace tarsel
