#pragma once
#include <functional>

namespace tarsel {

// SIGINT, SIGTERM and SIGHUP lead to cleanupAndExit(), run on a thread of its
// own (out of signal context); SIGPIPE is ignored. Before this call all keep
// their default action.
void setupSignalHandler();

// Start-up calls this once its services are in place; the orderly end waits
// for it, so a signal during start-up never races the start-up.
void startUpComplete();

// Start-up: work the orderly end does once the listener is stopped (saving
// what is still unsaved), in the order given.
void finishBeforeExit(std::function<void()> task);

// The orderly end: stops the listener, the path monitor and the advertisement,
// takes the agent out of the service manager unless an update restart is under
// way, and exits with status 0. Runs once: a second request (a signal while it
// runs, or Quit) waits for the first to end the process.
[[noreturn]] void cleanupAndExit();

}  // namespace tarsel
