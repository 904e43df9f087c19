#pragma once
// Process set-up shared by the fuzz targets: the unit tests' fake platform
// (effects into a journal, pauses on a manual clock), a throw-away data folder
// for the store, and the process-wide values the receive path reads.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
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

// The first byte of an input picks the target for the rest: even or odd.
template <class Even, class Odd>
int byFirstByte(const uint8_t* data, size_t size, Even even, Odd odd) {
    setUp();
    if (size == 0) return 0;
    const std::string rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (data[0] % 2 == 0)
        even(rest);
    else
        odd(rest);
    settle();
    return 0;
}

}  // namespace tarsel::fuzz
