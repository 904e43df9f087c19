#pragma once
// Log lines carry text from the network and from files; a line must stay one
// line of valid UTF-8 whatever that text holds.
#include <string>
#include <string_view>

namespace tarsel {

// Control characters (C0, DEL, C1, U+2028, U+2029) become visible escapes
// ("\n", "\t", "\x1b", "\u2028"); bytes that are not UTF-8 become "\xNN".
std::string escapeLogText(std::string_view text);

}  // namespace tarsel
