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

// clang-format cannot measure the Korean texts and breaks them anew on each run.
// clang-format off
const Case kCases[] = {
    {"nothing installed", nullptr, nullptr, nullptr, nullptr, ""},
    {"ufw off", "ENABLED=no\n", "", "", nullptr, ""},
    {"ufw allows everything", "ENABLED=yes\n", "DEFAULT_INPUT_POLICY=\"ACCEPT\"\n", "", nullptr, ""},
    {"ufw rule for the port", "ENABLED=yes\n", "DEFAULT_INPUT_POLICY=\"DROP\"\n",
     "-A ufw-user-input -p udp --dport 3000 -j ACCEPT\n", nullptr, ""},
    {"ufw rule for both protocols", "ENABLED=yes\n", "",
     "-A ufw-user-input --dport 3000 -j ACCEPT\n", nullptr, ""},
    {"ufw rule for tcp or another port only", "ENABLED=yes\n", "",
     "-A ufw-user-input -p tcp --dport 3000 -j ACCEPT\n"
     "-A ufw-user-input -p udp --dport 30000 -j ACCEPT\n", nullptr,
     "⚠️ [Firewall] ufw가 UDP 3000을 막고 있습니다. 허용하려면: sudo ufw allow 3000/udp"},
    {"ufw rules unreadable", "ENABLED=yes\n", "", nullptr, nullptr,
     "⚠️ [Firewall] ufw가 켜져 있습니다. 휴대폰이 이 컴퓨터를 찾지 못하면: sudo ufw allow 3000/udp"},
    {"firewalld stopped", nullptr, nullptr, nullptr, "exit 252", ""},
    {"firewalld open", nullptr, nullptr, nullptr,
     "[ \"$1\" = --state ] && echo running || echo yes", ""},
    {"firewalld closed", nullptr, nullptr, nullptr,
     "[ \"$1\" = --state ] && echo running || { echo no; exit 1; }",
     "⚠️ [Firewall] firewalld가 UDP 3000을 막고 있습니다. 허용하려면: "
     "sudo firewall-cmd --permanent --add-port=3000/udp && sudo firewall-cmd --reload"},
    {"firewalld refuses the query", nullptr, nullptr, nullptr,
     "[ \"$1\" = --state ] && echo running || { echo 'Authorization failed.' >&2; exit 11; }",
     "⚠️ [Firewall] firewalld가 실행 중입니다. 휴대폰이 이 컴퓨터를 찾지 못하면: "},
};
// clang-format on

TEST(FirewallHint, SaysHowToAllowThePortOnlyWhereAnActiveFirewallMayDropIt) {
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
        const std::string hint = firewallHint(3000, false, paths);
        EXPECT_EQ(hint.substr(0, std::strlen(c.hint)), c.hint) << c.what << ": " << hint;
        EXPECT_EQ(hint.empty(), *c.hint == '\0') << c.what;
    }
    // The phone page's TCP port: a UDP rule does not let it through.
    // clang-format off
    testing::TempDir dir;
    FirewallPaths paths{dir / "ufw.conf", dir / "ufw", dir / "user.rules", dir / "none"};
    testing::writeText(paths.ufwConf, "ENABLED=yes\n");
    testing::writeText(paths.ufwRules, "-A ufw-user-input -p udp --dport 3090 -j ACCEPT\n");
    EXPECT_EQ(firewallHint(3090, true, paths),
              "⚠️ [Firewall] ufw가 TCP 3090을 막고 있습니다. 허용하려면: sudo ufw allow 3090/tcp");
    testing::writeText(paths.ufwRules, "-A ufw-user-input -p tcp --dport 3090 -j ACCEPT\n");
    EXPECT_EQ(firewallHint(3090, true, paths), "");
    // clang-format on
}

}  // namespace
}  // namespace tarsel
