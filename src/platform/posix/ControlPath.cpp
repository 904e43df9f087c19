// Where the control socket lives and the checks on its folder; shared by the
// agent and tarselctl.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "runtime/LocalControl.h"

namespace tarsel {
namespace {

std::string folderOf(const std::string& socketPath) {
    return socketPath.substr(0, socketPath.rfind('/'));
}

std::string env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

}  // namespace

std::string controlSocketPath() {
    if (std::string runtime = env("XDG_RUNTIME_DIR"); !runtime.empty() && runtime[0] == '/')
        return runtime + "/tarsel/ctl";
    std::string tmp = env("TMPDIR");
    if (tmp.empty() || tmp[0] != '/') tmp = "/tmp";
    return tmp + "/tarsel-" + std::to_string(getuid()) + "/ctl";
}

// lstat, so a link planted in a shared folder is never followed.
Result<> checkControlFolder(const std::string& socketPath) {
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
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return failure(folder + ": " + std::strerror(errno));
    return checkControlFolder(socketPath);
}

}  // namespace tarsel
