#pragma once
// KeyMapProcessor: command names to key, mouse, clipboard and system actions.
// Every operation queues its work and returns at once; nothing is reported back.
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>

#include "runtime/PointerDelta.h"

namespace tarsel::KeyMapProcessor {

using KeyCode = uint16_t;     // macOS virtual key code
using EventFlags = uint64_t;  // CGEventFlags mask

namespace flag {
inline constexpr EventFlags command = 0x100000;
inline constexpr EventFlags shift = 0x20000;
inline constexpr EventFlags control = 0x40000;
inline constexpr EventFlags option = 0x80000;
inline constexpr EventFlags function = 0x800000;
inline constexpr EventFlags capsLock = 0x10000;
// The agent's own bit, free in CGEventFlags: the Super (Windows) key on Linux,
// which `cmd` (Control there) cannot reach.
inline constexpr EventFlags super = 0x1000000;
}  // namespace flag

// Dispatch. `extra` carries the pointer amounts of "move" and "scroll".
void handleCommand(const std::string& command, std::optional<int64_t> val,
                   const std::optional<PointerDelta>& extra);

// Keys and combinations.
const std::unordered_map<std::string, KeyCode>& keyMap();
void pressKey(KeyCode keyCode, EventFlags modifiers);
void parseAndPressKey(const std::string& command);
void handleUniversalKey(const std::string& command);

// Mouse, all on the serial mouse queue.
void moveMouse(int64_t dx, int64_t dy);
// 0 left, 1 right, other numbers as "other" buttons; `held` modifiers around it.
void clickMouse(int button, EventFlags held = 0);
void scrollMouse(int64_t dy);
// Wheel notches (positive: right, down), each clamped to ±10.
void smoothScrollMouse(double x, double y);
void mouseDown();
void mouseUp();

// Text: typeText is the fall-through's entry (logged, held paste chord);
// pasteText is the "text" request (clipboard, then the paste chord at once).
void typeText(const std::string& text);
void pasteText(const std::string& text);

// System actions.
void takeScreenshot(const std::string& mode);
void setVolume(int64_t adjust);
void setMute();
bool isLocalMediaPlayer(const std::string& bundleId);
void openApp(const std::string& bundleId);
void openBrowser(const std::string& bundleId);

}  // namespace tarsel::KeyMapProcessor
