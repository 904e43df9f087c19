#pragma once
// A QR code in a terminal: two modules a character with half blocks, dark on
// light whatever the terminal's colours, with the quiet zone scanners need.
#include <optional>
#include <string>

namespace tarselctl {

// The lines to print, or none when the text does not fit a QR code.
std::optional<std::string> terminalQr(const std::string& text, bool colour);

}  // namespace tarselctl
