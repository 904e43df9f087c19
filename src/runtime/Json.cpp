#include "runtime/Json.h"

#include <algorithm>
#include <cmath>

namespace tarsel {
namespace {

// Depth of the deepest array/object, ignoring brackets inside strings.
int maxDepth(std::string_view text) {
    int depth = 0, deepest = 0;
    bool inString = false, escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
            continue;
        }
        if (c == '"')
            inString = true;
        else if (c == '[' || c == '{')
            deepest = std::max(deepest, ++depth);
        else if (c == ']' || c == '}')
            --depth;
        if (deepest > kMaxJsonDepth) break;
    }
    return deepest;
}

// Position and kind only: the parser's own message quotes the input, which
// may be a stranger's 64 KB or a secret from a file.
std::string describe(const Json::parse_error& e) {
    std::string what = e.what();
    std::string kind;
    if (auto dash = what.find(" - "); dash != std::string::npos) {
        kind = what.substr(dash + 3);
        // The kind is fixed vocabulary; what follows "last read" is the input.
        kind = kind.substr(0, std::min(kind.find("; last read"), std::size_t{100}));
    }
    return "syntax error at byte " + std::to_string(e.byte) + (kind.empty() ? "" : ": " + kind);
}

}  // namespace

JsonResult parseJsonDocument(std::string_view text) {
    if (maxDepth(text) > kMaxJsonDepth) return {std::nullopt, "JSON nesting is too deep"};
    try {
        Json value = Json::parse(text.begin(), text.end());
        if (!value.is_object() && !value.is_array())
            return {std::nullopt, "JSON text did not start with array or object"};
        return {std::move(value), {}};
    } catch (const Json::parse_error& e) {
        return {std::nullopt, describe(e)};
    } catch (const Json::exception&) {
        return {std::nullopt, "invalid JSON"};
    } catch (const std::exception& e) {  // out of memory, say: the caller's fallback applies
        return {std::nullopt, std::string("cannot parse: ") + e.what()};
    }
}

std::string toCompactJson(const Json& value) {
    return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::optional<long long> jsonInteger(const Json& value) {
    if (value.is_number_integer()) {
        if (value.is_number_unsigned() &&
            value.get<unsigned long long>() > static_cast<unsigned long long>(LLONG_MAX))
            return std::nullopt;
        return value.get<long long>();
    }
    if (value.is_number_float()) {
        double d = value.get<double>();
        if (!std::isfinite(d) || std::trunc(d) != d) return std::nullopt;
        if (d < -9.2233720368547758e18 || d >= 9.2233720368547758e18) return std::nullopt;
        return static_cast<long long>(d);
    }
    return std::nullopt;
}

}  // namespace tarsel
