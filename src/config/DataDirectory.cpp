#include "config/DataDirectory.h"

#include "runtime/Files.h"

namespace tarsel {

std::string makeAppSupportDir(const std::string& homeDir) {
    std::string dir = files::join(homeDir, "Library/Application Support/TarselServer");
    files::createDirectories(dir);
    return dir;
}

}  // namespace tarsel
