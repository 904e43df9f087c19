#pragma once
// The self-update's background job: download, integrity, mount, copy out,
// verify, hand over. Runs synchronously on the calling thread.
#include <functional>
#include <optional>
#include <string>

namespace tarsel {

class StatusBarController;

struct SelfUpdateJob {
    std::string address;                        // already found trustworthy
    std::optional<std::string> expectedSHA256;  // as the manifest gave it
    double requestTimeoutSeconds = 120;
    double downloadWaitSeconds = 300;  // then the transfer is cancelled
    // Given the verified bundle and the work directory. The default is the
    // detached updater, which ends the process.
    std::function<void(const std::string& newAppPath, const std::string& workDir)> handOver;
};

// Fixed names inside the work directory and the disk image.
inline constexpr const char* kBundleName = "TarselServer.app";
inline constexpr const char* kWorkDirPrefix = "tsl_update_";

void runSelfUpdateJob(StatusBarController& controller, const SelfUpdateJob& job);

// "tsl_update_" and a fresh upper-case UUID, inside `tempDir`; "" without a
// secure random source.
std::string newWorkDirectoryPath(const std::string& tempDir);

}  // namespace tarsel
