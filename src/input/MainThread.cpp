#include "input/MainThread.h"

#include "platform/Platform.h"

namespace tarsel::KeyMapProcessor {

void runOnMainThread(std::function<void()> task) {
    auto& loop = *platform().mainLoop;
    if (loop.isMainThread())
        task();
    else
        loop.post(std::move(task));
}

void runScript(const std::string& source) {
    runOnMainThread([source] { platform().scripts->run(source); });
}

void sleepComputer() {
    runScript("tell application \"Finder\" to sleep");
}

}  // namespace tarsel::KeyMapProcessor
