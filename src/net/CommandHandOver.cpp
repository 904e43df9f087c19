#include "net/CommandHandOver.h"

#include <cmath>

#include "runtime/Unicode.h"

namespace tarsel {
namespace {

std::optional<long long> integerEntry(const Json& request, const char* key) {
    auto it = request.find(key);
    if (it == request.end()) return std::nullopt;
    return jsonInteger(*it);
}

std::optional<std::string_view> stringEntry(const Json& request, const char* key) {
    auto it = request.find(key);
    if (it == request.end() || !it->is_string()) return std::nullopt;
    return std::string_view(it->get_ref<const std::string&>());
}

std::string commandName(const std::string& type) {
    std::string lower = unicode::toLower(type);
    std::string out;
    out.reserve(lower.size());
    for (char c : lower) out.push_back(c == ' ' ? '_' : c);
    return out;
}

}  // namespace

RequestFields RequestFields::of(Json& request) {
    return {stringEntry(request, "pin"), stringEntry(request, "type"), integerEntry(request, "val"),
            integerEntry(request, "dx"), integerEntry(request, "dy"),  &request};
}

RequestFields RequestFields::of(const FlatRequest& flat) {
    return {flat.pin, flat.type, flat.val, flat.dx, flat.dy, nullptr};
}

namespace {

// A finite number; anything else is no amount.
std::optional<double> numberEntry(const Json* request, const char* key) {
    if (!request) return std::nullopt;
    auto it = request->find(key);
    if (it == request->end() || !it->is_number()) return std::nullopt;
    const double v = it->get<double>();
    return std::isfinite(v) ? std::optional(v) : std::nullopt;
}

}  // namespace

CommandRequest buildCommand(const std::string& type, const RequestFields& fields) {
    CommandRequest c{type, commandName(type), fields.val, std::nullopt};
    if (fields.dy) c.extra = PointerDelta{fields.dx, fields.dy};
    auto x = numberEntry(fields.json, "x"), y = numberEntry(fields.json, "y");
    if (x || y) {
        if (!c.extra) c.extra = PointerDelta{};
        c.extra->x = x;
        c.extra->y = y;
    }
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
