#pragma once
// The "pin" and "type" of a large request read without parsing it: a scan of
// the top-level object that steps over the other values, and which of the
// layout's sections it carries. It only routes a datagram (a layout save may
// wait its turn unparsed, and give way to a newer one that carries all its
// sections); the parser still reads every datagram that is carried out.
#include <optional>
#include <string_view>

namespace tarsel {

struct RequestHead {
    std::optional<std::string_view> pin, type;  // escape-free strings only
    unsigned sections = 0;                      // bit i: kLayoutSections[i] is a member
};

inline constexpr std::string_view kLayoutSections[] = {"3x3", "4x4", "5x5", "user"};

// None when the text is not a JSON object as far as the scan can tell.
// Without `sections` the scan stops once it has "pin" and "type".
std::optional<RequestHead> readRequestHead(std::string_view text, bool sections = false);

}  // namespace tarsel
