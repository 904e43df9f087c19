#pragma once
// Work that belongs to the main thread: AppleScript runs and clipboard pastes.
#include <functional>
#include <string>

namespace tarsel::KeyMapProcessor {

// Directly when already on the main thread, otherwise queued to it.
void runOnMainThread(std::function<void()> task);
// Runs an AppleScript source on the main thread; failures are ignored.
void runScript(const std::string& source);
// The sleep action of the word "power".
void sleepComputer();

}  // namespace tarsel::KeyMapProcessor
