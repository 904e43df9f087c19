// Where the control socket lives and the checks on its folder; shared by the
// agent and tarselctl.
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "runtime/LocalControl.h"

namespace tarsel {
namespace {

// sun_path holds 108 bytes with the terminating zero.
constexpr std::size_t kLongestSocketPath = sizeof(sockaddr_un::sun_path) - 1;

std::string folderOf(const std::string& socketPath) {
    return socketPath.substr(0, socketPath.rfind('/'));
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::vector<std::string> controlSocketPaths() {
    if (std::string runtime = env("XDG_RUNTIME_DIR"); !runtime.empty() && runtime[0] == '/')
        return {runtime + "/tarsel/ctl"};
    std::string tmp = env("TMPDIR");
    if (tmp.empty() || tmp[0] != '/') tmp = "/tmp";
    std::vector<std::string> paths{tmp + "/tarsel-" + std::to_string(getuid()) + "/ctl"};
    std::string cache = env("XDG_CACHE_HOME");
    if (cache.empty() || cache[0] != '/') cache = env("HOME") + "/.cache";
    if (cache[0] == '/') paths.push_back(cache + "/tarsel/run/ctl");
    return paths;
}

std::string controlSocketPath() {
    const auto paths = controlSocketPaths();
    for (const auto& path : paths)
        if (checkControlFolder(path)) return path;
    return paths.front();
}

Result<std::string> prepareControlSocket() {
    std::string refused;
    for (const auto& path : controlSocketPaths()) {
        auto prepared = prepareControlFolder(path);
        if (prepared) return path;
        refused += (refused.empty() ? "" : "; ") + prepared.error();
    }
    return failure(refused);
}

// lstat, so a link planted in a shared folder is never followed.
Result<> checkControlFolder(const std::string& socketPath) {
    if (socketPath.size() > kLongestSocketPath)
        return failure(socketPath + ": longer than a socket address holds (" +
                       std::to_string(kLongestSocketPath) + " bytes)");
    const std::string folder = folderOf(socketPath);
    struct stat st {};
    if (lstat(folder.c_str(), &st) != 0) return failure(folder + ": " + std::strerror(errno));
    if (!S_ISDIR(st.st_mode)) return failure(folder + ": not a folder");
    if (st.st_uid != getuid()) return failure(folder + ": owned by another user");
    if ((st.st_mode & 077) != 0) return failure(folder + ": open to other users");
    return {};
}

Result<> prepareControlFolder(const std::string& socketPath) {
    const std::string folder = folderOf(socketPath);
    // The cache's own parents are ordinary folders; only the last one is private.
    std::error_code ignored;
    std::filesystem::create_directories(folderOf(folder), ignored);
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return failure(folder + ": " + std::strerror(errno));
    return checkControlFolder(socketPath);
}

}  // namespace tarsel
