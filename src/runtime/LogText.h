#pragma once
// Log lines carry text from the network and from files; a line must stay one
// line of valid UTF-8 whatever that text holds.
#include <string>
#include <string_view>

namespace tarsel {

// Control characters (C0, DEL, C1, U+2028, U+2029, the bidirectional controls
// U+202A–U+202E and U+2066–U+2069, U+FEFF) become visible escapes ("\n", "\t",
// "\x1b", "\u202e"); bytes that are not UTF-8 become "\xNN".
std::string escapeLogText(std::string_view text);

// How much of one piece of outside text (a command name, typed text, a
// section name, a version) a log line carries.
inline constexpr std::size_t kLogFieldBytes = 200;
// `text` when it is short enough, else its first `maxBytes` (whole
// characters) followed by "… (N bytes)" with its full size.
std::string clipForLog(std::string_view text, std::size_t maxBytes = kLogFieldBytes);

}  // namespace tarsel
