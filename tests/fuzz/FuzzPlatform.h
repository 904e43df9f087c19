#pragma once
// Process set-up shared by the fuzz targets: the record backend writing to
// /dev/null, a throw-away HOME, the process-wide values the receive path reads,
// and the main loop running on a thread of its own (pastes go through it).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "app/Globals.h"
#include "input/InputQueues.h"
#include "platform/Platform.h"
#include "runtime/Files.h"
#include "runtime/Log.h"
#include "runtime/SerialQueue.h"

namespace tarsel::fuzz {

inline void setUpOnce() {
    static const bool done = [] {
        // In memory where possible: the store syncs every save to disk.
        std::filesystem::path tmp = std::filesystem::exists("/dev/shm")
                                        ? std::filesystem::path("/dev/shm")
                                        : std::filesystem::temp_directory_path();
        std::string home = (tmp / ("tarsel-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(home + "/data");
        setenv("HOME", home.c_str(), 1);
        setenv("TARSEL_BACKEND", "record", 1);
        setenv("TARSEL_RECORD", "/dev/null", 1);
        setenv("TARSEL_WEBSITE_HOST", "127.0.0.1:9", 1);
        Logger::instance().setSink([](std::string_view) {});  // millions of lines otherwise
        int argc = 1;
        char name[] = "tarsel-fuzz";
        char* argv[] = {name, nullptr};
        static auto* executors = new Executors;  // never joined, as in the agent
        setPlatform(createPlatform(argc, argv, *executors));
        auto& g = globals();
        g.serverPIN = "246810";
        g.appSupportDir = home + "/data";
        g.shortcutsDBPath = files::join(g.appSupportDir, "shortcuts_db.json");
        g.ipQueue = std::make_unique<SerialQueue>("com.remote.ipQueue", executors->global);
        KeyMapProcessor::installQueues(executors->network.get_executor(), executors->timers,
                                       Clock::system());
        std::thread([] { platform().mainLoop->run(); }).detach();
        // The main loop cannot be stopped from outside, and destroying it while
        // it runs hangs; a normal exit therefore skips the static destructors.
        // libFuzzer reports crashes, leaks and time-outs through _Exit anyway.
        std::atexit([] {
            std::fflush(nullptr);
            std::_Exit(0);
        });
        return true;
    }();
    (void)done;
}

}  // namespace tarsel::fuzz
