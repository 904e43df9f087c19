#pragma once
// KeyMapProcessor: command names to key, mouse, clipboard and system actions.
#include <cstdint>
#include <optional>
#include <string>

#include "runtime/Json.h"

namespace tarsel::KeyMapProcessor {

// `extra` is an object holding only the integer entries "dx" and "dy".
void handleCommand(const std::string& command, std::optional<int64_t> val,
                   const std::optional<Json>& extra);
void mouseDown();
void mouseUp();
// The "text" request: clipboard, then the paste chord.
void pasteText(const std::string& text);

}  // namespace tarsel::KeyMapProcessor
