#include "platform/linux/LinuxHost.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/linux/Firewall.h"
#include "platform/linux/PortOwner.h"

namespace tarsel {
namespace {

std::string envOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

std::string homeDirectory() {
    if (const char* h = std::getenv("HOME"); h && *h) return h;
    if (passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/";
}

std::string executablePath() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : p.string();
}

std::string firstExisting(std::initializer_list<const char*> paths) {
    for (const char* p : paths)
        if (access(p, X_OK) == 0) return p;
    return std::string(*paths.begin());
}

// systemd's pretty host name, then the host name; "" when neither is set.
std::string computerName() {
    std::ifstream in("/etc/machine-info");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("PRETTY_HOSTNAME=", 0) != 0) continue;
        std::string v = line.substr(16);
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        if (!v.empty()) return v;
    }
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) == 0 && name[0]) return name;
    return "";
}

std::string addressText(const sockaddr* sa) {
    char buf[INET6_ADDRSTRLEN] = {};
    if (sa->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, buf, sizeof buf);
    else if (sa->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, buf, sizeof buf);
    return buf;
}

template <class Fn>
void eachAddress(Fn fn) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return;
    for (ifaddrs* a = list; a; a = a->ifa_next)
        if (a->ifa_addr) fn(*a);
    freeifaddrs(list);
}

std::optional<std::string> interfaceAddress(const std::string& ifname) {
    std::string found;
    eachAddress([&](const ifaddrs& a) {
        if (found.empty() && ifname == a.ifa_name && a.ifa_addr->sa_family == AF_INET)
            found = addressText(a.ifa_addr);
    });
    return found;
}

// The first wireless interface, then the first wired one (a physical device
// that is not wireless), in the kernel's order.
std::vector<std::string> preferredInterfaces() {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto& e : std::filesystem::directory_iterator("/sys/class/net", ec))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return if_nametoindex(a.c_str()) < if_nametoindex(b.c_str());
    });
    std::string wireless, wired;
    for (auto& n : names) {
        std::string base = "/sys/class/net/" + n;
        bool isWireless = std::filesystem::exists(base + "/wireless", ec);
        bool isDevice = std::filesystem::exists(base + "/device", ec);
        if (isWireless && wireless.empty())
            wireless = n;
        else if (!isWireless && isDevice && wired.empty())
            wired = n;
    }
    std::vector<std::string> out;
    if (!wireless.empty()) out.push_back(wireless);
    if (!wired.empty()) out.push_back(wired);
    return out;
}

std::vector<std::string> hostAddresses() {
    std::vector<std::string> out;
    eachAddress([&](const ifaddrs& a) {
        std::string t = addressText(a.ifa_addr);
        if (!t.empty()) out.push_back(t);
    });
    return out;
}

// ${XDG_CONFIG_HOME:-~/.config}; a relative value is invalid and ignored.
std::string configHome(const std::string& home) {
    std::string configured = envOr("XDG_CONFIG_HOME", "");
    return configured.empty() || configured.front() != '/' ? home + "/.config" : configured;
}

// Start at log-in is a systemd user unit here, and the computer is no Mac.
HostWords linuxWords() {
    HostWords w;
    w.serverStarted = N_("🚀 Tarsel server started");
    w.loginRegistered = N_("✅ Start at log-in registered (systemd user unit): {1}");
    w.loginRegisterFailed = N_("⚠️ Start at log-in could not be registered: {1}");
    w.loginUnloaded = N_("✅ User service stopped (no automatic restart)");
    w.addressLabel = N_("Computer IP");
    w.permissionLog = {
        N_("⚠️  ===== Keyboard and mouse control is unavailable ====="),
        N_("⚠️  Keys and pointer moves from the phone do not reach this desktop."),
        N_("⚠️  Fix the cause below, then restart (help: the alert's Open Help button)"),
        "⚠️  ====================================="};
    w.macAlerts = false;
    return w;
}

}  // namespace

HostConstants linuxHostConstants() {
    HostConstants h;
    h.homeDir = homeDirectory();
    h.tempDir = envOr("TMPDIR", "/tmp");
    h.executablePath = executablePath();
    h.dataDir = configHome(h.homeDir) + "/tarsel";
    h.legacyDataDirs = {h.homeDir + "/Library/Application Support/TarselServer"};
    h.websiteHost = envOr("TARSEL_WEBSITE_HOST", TARSEL_DEFAULT_WEBSITE_HOST);
    h.words = linuxWords();
    h.lsofPath = firstExisting({"/usr/bin/lsof", "/usr/sbin/lsof"});
    h.killPath = firstExisting({"/bin/kill", "/usr/bin/kill"});
    h.systemctlPath = firstExisting({"/usr/bin/systemctl", "/bin/systemctl"});
    h.openPath = "/usr/bin/xdg-open";
    h.shasumPath = "/usr/bin/shasum";
    h.cpPath = "/bin/cp";
    h.bashPath = "/bin/bash";
    // No launchd, tccutil, hdiutil, codesign, spctl, stapler and no installer here.
    h.computerName = computerName;
    h.firewallHint = [](int webPort) { return firewallHint(webPort); };
    h.interfaceAddress = interfaceAddress;
    h.preferredInterfaces = preferredInterfaces;
    h.hostAddresses = hostAddresses;
    h.foreignPortOwner = foreignUdpPortOwner;
    h.foreignTcpPortOwner = foreignTcpPortOwner;
    h.hostName = [] {
        char name[256] = {};
        return gethostname(name, sizeof name - 1) == 0 ? std::string(name) : std::string();
    };
    // The kernel marks the link of a program whose file was unlinked.
    h.executableReplaced = [] { return executablePath().ends_with(" (deleted)"); };
    return h;
}

}  // namespace tarsel
