#pragma once
// Whether an active ufw or firewalld may drop the phone's datagrams. The agent
// only says how to allow the port; it never changes the firewall itself.
#include <string>

namespace tarsel {

struct FirewallPaths {
    std::string ufwConf = "/etc/ufw/ufw.conf";
    std::string ufwDefaults = "/etc/default/ufw";
    std::string ufwRules = "/etc/ufw/user.rules";  // readable by root only, usually
    std::string firewallCmd = "/usr/bin/firewall-cmd";
};

// One log line saying how to let the phone's ports in (UDP 3000, mDNS's UDP
// 5353 and the page's TCP `webPort`, none when 0) with the profile the package
// installs, or "" when no active firewall is known to stand in the way.
std::string firewallHint(int webPort, const FirewallPaths& paths = {});

}  // namespace tarsel
