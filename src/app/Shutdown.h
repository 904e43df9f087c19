#pragma once

namespace tarsel {

// SIGINT and SIGTERM lead to cleanupAndExit(), out of signal context.
void setupSignalHandler();
[[noreturn]] void cleanupAndExit();

}  // namespace tarsel
