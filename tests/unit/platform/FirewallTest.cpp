// The firewall hint against files and a firewall-cmd stand-in in a temporary folder.
#include <gtest/gtest.h>

#include <cstring>

#include "TestFiles.h"

#include "platform/linux/Firewall.h"

namespace tarsel {
namespace {

struct Case {
    const char* what;
    const char* ufwConf;  // nullptr: ufw not installed
    const char* ufwDefaults;
    const char* ufwRules;     // nullptr: unreadable
    const char* firewallCmd;  // shell body; nullptr: not installed
    const char* hint;         // expected start of the line; "" for none
};

constexpr const char* kUfw = "⚠️ [Firewall] ufw가 켜져 있고";
constexpr const char* kFirewalld = "⚠️ [Firewall] firewalld가 켜져 있고";
// The rules `sudo ufw allow Tarsel` writes for the package's profile.
constexpr const char* kProfileRules =
    "-A ufw-user-input -p tcp -m multiport --dports 3090 -m comment --comment 'dapp_Tarsel' "
    "-j ACCEPT\n"
    "-A ufw-user-input -p udp -m multiport --dports 3000,5353 -m comment --comment "
    "'dapp_Tarsel' -j ACCEPT\n";

const Case kCases[] = {
    {"nothing installed", nullptr, nullptr, nullptr, nullptr, ""},
    {"ufw off", "ENABLED=no\n", "", "", nullptr, ""},
    {"ufw allows everything", "ENABLED=yes\n", "DEFAULT_INPUT_POLICY=\"ACCEPT\"\n", "", nullptr,
     ""},
    {"ufw allows the profile", "ENABLED=yes\n", "DEFAULT_INPUT_POLICY=\"DROP\"\n", kProfileRules,
     nullptr, ""},
    {"ufw rules per port, both protocols for one", "ENABLED=yes\n", "",
     "-A ufw-user-input --dport 3000 -j ACCEPT\n-A ufw-user-input -p udp --dport 5353 -j ACCEPT\n"
     "-A ufw-user-input -p tcp --dport 3090 -j ACCEPT\n",
     nullptr, ""},
    {"ufw without the page's port", "ENABLED=yes\n", "",
     "-A ufw-user-input -p udp -m multiport --dports 3000,5353 -j ACCEPT\n"
     "-A ufw-user-input -p udp --dport 3090 -j ACCEPT\n",
     nullptr, kUfw},
    {"ufw rules unreadable", "ENABLED=yes\n", "", nullptr, nullptr, kUfw},
    {"firewalld stopped", nullptr, nullptr, nullptr, "exit 252", ""},
    {"firewalld has the service", nullptr, nullptr, nullptr,
     "[ \"$1\" = --state ] && echo running || echo yes", ""},
    {"firewalld without it", nullptr, nullptr, nullptr,
     "[ \"$1\" = --state ] && echo running || { echo no; exit 1; }", kFirewalld},
    {"firewalld refuses the query", nullptr, nullptr, nullptr,
     "[ \"$1\" = --state ] && echo running || { echo 'Authorization failed.' >&2; exit 11; }",
     kFirewalld},
};

// The hint names the profile's way to allow every port the phone uses.
TEST(FirewallHint, SaysHowToAllowThePhonesPortsOnlyWhereAnActiveFirewallMayDropThem) {
    for (const Case& c : kCases) {
        testing::TempDir dir;
        FirewallPaths paths{dir / "ufw.conf", dir / "ufw", dir / "user.rules",
                            dir / "firewall-cmd"};
        for (auto [path, text] : {std::pair{paths.ufwConf, c.ufwConf},
                                  {paths.ufwDefaults, c.ufwDefaults},
                                  {paths.ufwRules, c.ufwRules}})
            if (text) testing::writeText(path, text);
        if (c.firewallCmd)
            testing::writeText(paths.firewallCmd, std::string("#!/bin/sh\n") + c.firewallCmd + "\n",
                               0755);
        const std::string hint = firewallHint(3090, paths);
        EXPECT_EQ(hint.substr(0, std::strlen(c.hint)), c.hint) << c.what << ": " << hint;
        EXPECT_EQ(hint.empty(), *c.hint == '\0') << c.what;
        if (hint.empty()) continue;
        EXPECT_NE(hint.find("UDP 3000, UDP 5353, TCP 3090"), std::string::npos) << hint;
        const char* allow = c.hint == kUfw ? "허용하려면: sudo ufw allow Tarsel"
                                           : "허용하려면: sudo firewall-cmd --permanent "
                                             "--add-service=tarsel && sudo firewall-cmd --reload";
        EXPECT_TRUE(hint.ends_with(allow)) << hint;
    }
}

}  // namespace
}  // namespace tarsel
