#include "platform/posix/LaunchdLoginService.h"

#include <unistd.h>

#include "host/LaunchAgentPlist.h"
#include "platform/posix/RunInherited.h"
#include "runtime/Files.h"

namespace tarsel {

LaunchdLoginService::LaunchdLoginService(std::string homeDir, std::string launchctlPath)
    : homeDir_(std::move(homeDir)), launchctl_(std::move(launchctlPath)) {}

std::string LaunchdLoginService::registrationPath() {
    return launchAgentPlistPath(homeDir_);
}

Result<std::string> LaunchdLoginService::install(const std::string& executablePath,
                                                 const std::string& logPath) {
    const std::string path = registrationPath();
    return files::createDirectories(files::parentOf(path))
        .and_then([&] {
            return files::writeAtomic(path, launchAgentPlist(executablePath, logPath), 0644);
        })
        .map([&] { return path; });
}

std::vector<std::string> LaunchdLoginService::unloadCommand() {
    return {launchctl_, "unload", registrationPath()};
}

std::vector<std::string> LaunchdLoginService::loadCommand() {
    return {launchctl_, "load", registrationPath()};
}

void LaunchdLoginService::unload() {
    runInherited(unloadCommand());
}
void LaunchdLoginService::load() {
    runInherited(loadCommand());
}

}  // namespace tarsel
