#pragma once
// What a command datagram hands to the input subsystem.
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/Json.h"

namespace tarsel {

struct CommandRequest {
    std::string type;  // as received
    std::string name;  // lower-cased, spaces as "_"
    std::optional<int64_t> val;
    std::optional<Json> extra;  // {"dx","dy"} or {"dy"} only
};

CommandRequest buildCommand(const std::string& type, const Json& request);
// "mouse_down"/"mouse_up" exactly as received press/release; all else dispatches.
void runCommand(const CommandRequest& command);

}  // namespace tarsel
