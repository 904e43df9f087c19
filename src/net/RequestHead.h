#pragma once
// The "pin" and "type" of a large request read without parsing it: a scan of
// the top-level object that steps over other values until it has both (a
// later duplicate is not seen). It only routes a datagram (a layout save may
// wait its turn unparsed); the parser still reads every datagram that is
// carried out.
#include <optional>
#include <string_view>

namespace tarsel {

struct RequestHead {
    std::optional<std::string_view> pin, type;  // escape-free strings only
};

// None when the text is not a JSON object as far as the scan can tell.
std::optional<RequestHead> readRequestHead(std::string_view text);

}  // namespace tarsel
