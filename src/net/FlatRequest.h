#pragma once
// The common request read without a parser or an allocation: a flat object
// whose members are only "pin", "type" (strings without escapes), "val", "dx"
// and "dy" (integers in plain form), or the bare word "scan". Anything else is
// declined and goes to the full JSON parser, so both always read a datagram
// alike (the receive fuzz target checks it).
#include <optional>
#include <string_view>

namespace tarsel {

struct FlatRequest {
    bool scan = false;
    std::optional<std::string_view> pin, type;  // absent members are empty
    std::optional<long long> val, dx, dy;
};

std::optional<FlatRequest> readFlatRequest(std::string_view text);

}  // namespace tarsel
