#include "net/CommandHandOver.h"

#include "input/KeyMap.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

std::optional<int64_t> integerEntry(const Json& request, const char* key) {
    auto it = request.find(key);
    if (it == request.end()) return std::nullopt;
    return jsonInteger(*it);
}

std::string commandName(const std::string& type) {
    std::string lower = unicode::toLower(type);
    std::string out;
    out.reserve(lower.size());
    for (char c : lower) out.push_back(c == ' ' ? '_' : c);
    return out;
}

}  // namespace

CommandRequest buildCommand(const std::string& type, const Json& request) {
    CommandRequest c{type, commandName(type), integerEntry(request, "val"), std::nullopt};
    auto dx = integerEntry(request, "dx");
    auto dy = integerEntry(request, "dy");
    if (dx && dy)
        c.extra = Json{{"dx", *dx}, {"dy", *dy}};
    else if (dy)
        c.extra = Json{{"dy", *dy}};
    return c;
}

void runCommand(const CommandRequest& command) {
    if (command.type == "mouse_down")
        KeyMapProcessor::mouseDown();
    else if (command.type == "mouse_up")
        KeyMapProcessor::mouseUp();
    else
        KeyMapProcessor::handleCommand(command.name, command.val, command.extra);
}

}  // namespace tarsel
