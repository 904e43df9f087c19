#include "platform/linux/Firewall.h"

#include <sstream>

#include "runtime/Files.h"
#include "runtime/Process.h"

namespace tarsel {
namespace {

bool hasLine(const std::string& text, const std::string& wanted) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (line == wanted) return true;
    return false;
}

// ufw writes an allowed port as "-A ufw-user-input -p udp --dport N -j ACCEPT"
// (a rule for both protocols has no "-p").
bool ufwAllows(const std::string& rules, const std::string& port, bool tcp) {
    const std::string other = tcp ? "-p udp" : "-p tcp";
    std::istringstream lines(rules);
    for (std::string line; std::getline(lines, line);) {
        const bool input = line.rfind("-A ufw-user-input", 0) == 0;
        const bool accepts = line.find("-j ACCEPT") != std::string::npos;
        const bool ours = line.find(other) == std::string::npos;
        if (input && accepts && ours && line.find("--dport " + port + " ") != std::string::npos)
            return true;
    }
    return false;
}

std::string ufwHint(const std::string& port, bool tcp, const FirewallPaths& paths) {
    const std::string name = tcp ? "TCP " : "UDP ", proto = tcp ? "/tcp" : "/udp";
    auto conf = files::readAll(paths.ufwConf);
    if (!conf || !hasLine(*conf, "ENABLED=yes")) return "";
    auto defaults = files::readAll(paths.ufwDefaults);
    if (defaults && hasLine(*defaults, "DEFAULT_INPUT_POLICY=\"ACCEPT\"")) return "";
    const std::string allow = "sudo ufw allow " + port + proto;
    auto rules = files::readAll(paths.ufwRules);
    if (!rules)
        return "⚠️ [Firewall] ufw가 켜져 있습니다. 휴대폰이 이 컴퓨터를 찾지 "
               "못하면: " +
               allow;
    if (ufwAllows(*rules, port, tcp)) return "";
    return "⚠️ [Firewall] ufw가 " + name + port + "을 막고 있습니다. 허용하려면: " + allow;
}

std::string firewalldHint(const std::string& port, bool tcp, const FirewallPaths& paths) {
    const std::string name = tcp ? "TCP " : "UDP ", proto = tcp ? "/tcp" : "/udp";
    if (!files::exists(paths.firewallCmd)) return "";
    auto state = runProcess(paths.firewallCmd, {"--state"});
    if (!state || state->status != 0) return "";  // not running
    const std::string allow = "sudo firewall-cmd --permanent --add-port=" + port + proto +
                              " && sudo firewall-cmd --reload";
    auto query = runProcess(paths.firewallCmd, {"--query-port=" + port + proto});
    const std::string answer = query ? query->output : "";
    if (answer == "yes\n") return "";
    if (answer == "no\n")
        return "⚠️ [Firewall] firewalld가 " + name + port +
               "을 막고 있습니다. 허용하려면: " + allow;
    return "⚠️ [Firewall] firewalld가 실행 중입니다. 휴대폰이 이 컴퓨터를 "
           "찾지 "
           "못하면: " +
           allow;
}

}  // namespace

std::string firewallHint(int port, bool tcp, const FirewallPaths& paths) {
    const std::string text = std::to_string(port);
    std::string hint = ufwHint(text, tcp, paths);
    return hint.empty() ? firewalldHint(text, tcp, paths) : hint;
}

}  // namespace tarsel
