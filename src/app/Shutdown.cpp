#include "app/Shutdown.h"

#include <cstdlib>

namespace tarsel {

void setupSignalHandler() {}
void cleanupAndExit() { std::exit(0); }

}  // namespace tarsel
