#pragma once
// Unicode rules the protocol depends on, from ICU: trim sets, lower-casing,
// numeric characters, user-perceived character counts and string order.
#include <string>
#include <string_view>

namespace tarsel::unicode {

bool isValidUtf8(std::string_view bytes);
// White space and line breaks (Z*, U+0009..U+000D, U+0085) from both ends.
std::string trimWhitespaceAndNewlines(std::string_view text);
// Space separators and tab only, line breaks kept.
std::string trimWhitespaces(std::string_view text);
std::string toLower(std::string_view text);
std::size_t graphemeCount(std::string_view text);
// The code points of UTF-8 text (invalid bytes become U+FFFD).
std::u32string utf32(std::string_view text);
// Every user-perceived character is numeric (decimal, digit or numeric type).
bool allNumeric(std::string_view text);
// Canonically equivalent strings compare equal; otherwise code point order.
int compare(std::string_view a, std::string_view b);
bool less(std::string_view a, std::string_view b);

// Start-up, on the main thread: makes ICU create what it creates lazily, so
// the threads that use it later (the network thread's fetch, the layout
// writer's log) find it made and handed over in order.
void prepare();

}  // namespace tarsel::unicode
