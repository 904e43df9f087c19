#include "net/CommandHandOver.h"

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
    if (dy) c.extra = PointerDelta{dx, dy};
    return c;
}

void runCommand(const CommandRequest& command, RequestHandler& handler) {
    if (command.type == "mouse_down")
        handler.mousePress();
    else if (command.type == "mouse_up")
        handler.mouseRelease();
    else
        handler.command(command.name, command.val, command.extra);
}

}  // namespace tarsel
