#include "platform/linux/PortOwner.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <string>

#include "host/PortHolders.h"
#include "runtime/Files.h"

namespace tarsel {
namespace {

std::string readText(const std::string& path) {
    return files::readAll(path).value_or("");
}

std::string userName(unsigned uid) {
    passwd entry{}, *found = nullptr;
    std::array<char, 4096> buffer{};
    if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    return "";
}

// The process with the socket open, where its descriptors may be read (they
// may not for another user, unless this one is root).
void findProcess(uint64_t inode, PortOwner& owner) {
    const std::string wanted = "socket:[" + std::to_string(inode) + "]";
    std::error_code ec;
    for (const auto& proc : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = proc.path().filename();
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::error_code fdError;
        for (const auto& fd : std::filesystem::directory_iterator(proc.path() / "fd", fdError)) {
            std::error_code linkError;
            if (std::filesystem::read_symlink(fd.path(), linkError).string() != wanted) continue;
            owner.pid = std::stoi(pid);
            owner.program = readText(proc.path() / "comm");
            while (!owner.program.empty() && owner.program.back() == '\n') owner.program.pop_back();
            return;
        }
    }
}

}  // namespace

namespace {

std::optional<PortOwner> foreignOwner(std::initializer_list<const char*> tables, uint16_t port) {
    for (const char* table : tables) {
        for (const auto& socket : udpSocketsOnPort(readText(table), port)) {
            if (socket.uid == getuid()) continue;
            PortOwner owner{socket.uid, userName(socket.uid), "", std::nullopt};
            findProcess(socket.inode, owner);
            return owner;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<PortOwner> foreignUdpPortOwner(uint16_t port) {
    return foreignOwner({"/proc/net/udp", "/proc/net/udp6"}, port);
}

// The tables share their layout; a listener is the only socket bound to the
// port that another process could hold.
std::optional<PortOwner> foreignTcpPortOwner(uint16_t port) {
    return foreignOwner({"/proc/net/tcp", "/proc/net/tcp6"}, port);
}

}  // namespace tarsel
