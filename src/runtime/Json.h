#pragma once
// JSON as the agent reads it: the top level must be an object or an array, the
// text must be UTF-8, and nesting is bounded so no datagram can exhaust the stack.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace tarsel {

using Json = nlohmann::json;

struct JsonResult {
    std::optional<Json> value;
    std::string error;  // description when value is empty
};

inline constexpr int kMaxJsonDepth = 512;

JsonResult parseJsonDocument(std::string_view text);

// Compact serialisation; invalid UTF-8 inside strings is replaced, never thrown.
std::string toCompactJson(const Json& value);

// Integral value of a JSON number ("val", "dx", "dy"): integers, and floats with
// no fractional part that fit in 64 bits.
std::optional<long long> jsonInteger(const Json& value);

}  // namespace tarsel
