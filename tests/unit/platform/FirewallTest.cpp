// The firewall hint against files and a firewall-cmd stand-in in a temporary folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/Firewall.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;

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
    const fs::path dir = fs::temp_directory_path() / "tarsel-firewall-test";
    for (const Case& c : kCases) {
        fs::remove_all(dir);
        fs::create_directories(dir);
        FirewallPaths paths{(dir / "ufw.conf").string(), (dir / "ufw").string(),
                            (dir / "user.rules").string(), (dir / "firewall-cmd").string()};
        auto write = [](const std::string& path, const char* text) {
            if (text) std::ofstream(path) << text;
        };
        write(paths.ufwConf, c.ufwConf);
        write(paths.ufwDefaults, c.ufwDefaults);
        write(paths.ufwRules, c.ufwRules);
        if (c.firewallCmd) {
            write(paths.firewallCmd, (std::string("#!/bin/sh\n") + c.firewallCmd + "\n").c_str());
            fs::permissions(paths.firewallCmd, fs::perms::owner_all);
        }
        const std::string hint = firewallHint(3000, paths);
        if (*c.hint == '\0')
            EXPECT_EQ(hint, "") << c.what;
        else
            EXPECT_EQ(hint.rfind(c.hint, 0), 0u) << c.what << ": " << hint;
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace tarsel
