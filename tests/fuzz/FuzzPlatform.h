#pragma once
// Process set-up shared by the fuzz targets: the unit tests' fake platform
// (effects into a journal, pauses on a manual clock), a throw-away data folder
// for the store, and the process-wide values the receive path reads.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "FakePlatform.h"
#include "TestExecutors.h"
#include "runtime/Files.h"
#include "runtime/Log.h"

namespace tarsel::fuzz {

inline void setUp() {
    static const bool once = [] {
        // In memory where possible: the store syncs every save to disk.
        std::filesystem::path tmp = std::filesystem::exists("/dev/shm")
                                        ? std::filesystem::path("/dev/shm")
                                        : std::filesystem::temp_directory_path();
        std::string data = (tmp / ("tarsel-fuzz-" + std::to_string(getpid()))).string();
        std::filesystem::create_directories(data);
        Logger::instance().setSink([](std::string_view) {});  // millions of lines otherwise
        testing::fakes();
        auto& g = globals();
        g.serverPIN = "246810";
        g.appSupportDir = data;
        g.shortcutsDBPath = files::join(data, "shortcuts_db.json");
        g.ipQueue =
            std::make_unique<SerialQueue>("com.remote.ipQueue", testing::executors().global);
        return true;
    }();
    (void)once;
}

// Runs what an input queued and forgets its effects, so memory stays flat.
inline void settle() {
    testing::settle();
    testing::fakes().journal.clear();
}

}  // namespace tarsel::fuzz
