#include "platform/linux/Firewall.h"

#include <sstream>

#include "runtime/Files.h"
#include "runtime/Process.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

struct PhonePort {
    std::string number, protocol;  // "3000", "udp"
};

bool hasLine(const std::string& text, const std::string& line) {
    std::istringstream lines(text);
    for (std::string l; std::getline(lines, l);)
        if (l == line) return true;
    return false;
}

std::vector<PhonePort> phonePorts(int webPort) {
    std::vector<PhonePort> ports{{"3000", "udp"}, {"5353", "udp"}};
    if (webPort != 0) ports.push_back({std::to_string(webPort), "tcp"});
    return ports;
}

// "--dport 3000 " or a "--dports 3000,5353 " list that holds the port.
bool namesPort(const std::string& line, const std::string& port) {
    if (line.find("--dport " + port + " ") != std::string::npos) return true;
    const auto at = line.find("--dports ");
    if (at == std::string::npos) return false;
    const auto end = line.find(' ', at + 9);
    const std::string list = "," + line.substr(at + 9, end - at - 9) + ",";
    return list.find("," + port + ",") != std::string::npos;
}

bool ufwAllows(const std::string& rules, const PhonePort& port) {
    std::istringstream lines(rules);
    for (std::string line; std::getline(lines, line);) {
        const bool input = line.rfind("-A ufw-user-input", 0) == 0;
        const bool accepts = line.find("-j ACCEPT") != std::string::npos;
        const bool ours = line.find("-p " + port.protocol) != std::string::npos ||
                          line.find("-p ") == std::string::npos;
        if (input && accepts && ours && namesPort(line, port.number)) return true;
    }
    return false;
}

// Said when the rules cannot be read (they are root's) or a port is missing.
bool ufwBlocks(int webPort, const FirewallPaths& paths) {
    auto conf = files::readAll(paths.ufwConf);
    if (!conf || !hasLine(*conf, "ENABLED=yes")) return false;
    auto defaults = files::readAll(paths.ufwDefaults);
    if (defaults && hasLine(*defaults, "DEFAULT_INPUT_POLICY=\"ACCEPT\"")) return false;
    auto rules = files::readAll(paths.ufwRules);
    if (!rules) return true;
    for (const auto& port : phonePorts(webPort))
        if (!ufwAllows(*rules, port)) return true;
    return false;
}

bool firewalldBlocks(int webPort, const FirewallPaths& paths) {
    if (!files::exists(paths.firewallCmd)) return false;
    auto state = runProcess(paths.firewallCmd, {"--state"});
    if (!state || state->status != 0) return false;  // not running
    auto service = runProcess(paths.firewallCmd, {"--query-service=tarsel"});
    if (service && service->output == "yes\n") return false;
    for (const auto& port : phonePorts(webPort)) {
        if (port.number == "5353") {
            auto mdns = runProcess(paths.firewallCmd, {"--query-service=mdns"});
            if (!mdns || mdns->output != "yes\n") return true;
            continue;
        }
        auto query =
            runProcess(paths.firewallCmd, {"--query-port=" + port.number + "/" + port.protocol});
        if (!query || query->output != "yes\n") return true;
    }
    return false;
}

}  // namespace

std::string firewallHint(int webPort, const FirewallPaths& paths) {
    const std::string ports =
        webPort == 0 ? "UDP 3000, UDP 5353" : "UDP 3000, UDP 5353, TCP " + std::to_string(webPort);
    if (ufwBlocks(webPort, paths))
        return tr(
            "⚠️ [Firewall] ufw is on and no phone has reached this computer yet; it may "
            "block {1}. To allow them: {2}",
            ports, "sudo ufw allow Tarsel");
    if (firewalldBlocks(webPort, paths))
        return tr(
            "⚠️ [Firewall] firewalld is on and no phone has reached this computer yet; it "
            "may block {1}. To allow them: {2}",
            ports,
            "sudo firewall-cmd --permanent --add-service=tarsel && sudo firewall-cmd "
            "--reload");
    return "";
}

}  // namespace tarsel
