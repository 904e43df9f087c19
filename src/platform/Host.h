#pragma once
// Facts of the machine the agent runs on: tool paths, directories, names.
// A backend fills them; the core never spells a platform path itself.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/HostWords.h"

namespace tarsel {

// Who holds a port the agent cannot bind: the socket's owner always, the
// program and its PID where this user may see them.
struct PortOwner {
    unsigned uid = 0;
    std::string user;  // the name, else empty
    std::string program;
    std::optional<int> pid;
};

struct HostConstants {
    std::string homeDir;
    std::string tempDir;
    std::string executablePath;  // empty when unknown
    // config.json and shortcuts_db.json; empty means the home's
    // "Library/Application Support/TarselServer".
    std::string dataDir;
    // Earlier data directories whose files move into dataDir once.
    std::vector<std::string> legacyDataDirs;
    std::string websiteHost;  // maker's website, "host" or "host:port"
    HostWords words;

    std::string lsofPath;
    std::string killPath;
    std::string launchctlPath;  // empty where launchd does not exist
    std::string systemctlPath;  // empty where systemd does not exist
    std::string tccutilPath;
    std::string openPath;
    std::string shasumPath;
    std::string hdiutilPath;
    std::string cpPath;
    std::string codesignPath;
    std::string spctlPath;
    std::string staplerPath;
    std::string bashPath;
    std::string osascriptPath;  // used by the updater script; empty where it does not exist
    std::string xattrPath;
    // Where the application bundle is installed; empty where no installer
    // exists (then the install item offers the manual download at once).
    std::string installPath;

    std::function<std::string()> computerName;  // empty when the system has none
    // A line saying how to let the phone's ports (the page's TCP `webPort`
    // among them) through an active firewall, or "".
    std::function<std::string(int webPort)> firewallHint;
    // IPv4 address of one interface ("" when it has none), interface candidates
    // in order of preference, and every address of the host.
    std::function<std::optional<std::string>(const std::string&)> interfaceAddress;
    std::function<std::vector<std::string>()> preferredInterfaces;
    std::function<std::vector<std::string>()> hostAddresses;
    // Another user's socket on UDP `port`, if one holds it; empty where the
    // system cannot tell.
    std::function<std::optional<PortOwner>(uint16_t port)> foreignPortOwner;
    // The same for the TCP port of the phone page.
    std::function<std::optional<PortOwner>(uint16_t port)> foreignTcpPortOwner;
    // The host name the network knows it by (its ".local" name); "" when none.
    std::function<std::string()> hostName;
    // The program file was replaced since this process started it (a package
    // upgrade); empty where the system cannot tell.
    std::function<bool()> executableReplaced;
};

}  // namespace tarsel
