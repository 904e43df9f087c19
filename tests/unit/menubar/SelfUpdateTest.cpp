// The download's digest, and the updater script's
// text: its head, the quoting of what is inserted, and what bash and
// shellcheck make of it.
#include <gtest/gtest.h>

#include "Require.h"
#include "TestFiles.h"
#include "menubar/RunTool.h"
#include "menubar/Sha256.h"
#include "menubar/UpdaterScript.h"
#include "platform/MacHostPaths.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;
using testing::TempDir;

TEST(Sha256, DigestFromTheToolAndAnExactMatchInAnyCase) {
    TempDir dir;
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    testing::writeText(dir / "a.dmg", "abc");
    EXPECT_EQ(sha256Hex(dir / "a.dmg", "/usr/bin/shasum"), abc);
    EXPECT_FALSE(sha256Hex(dir / "missing.dmg", "/usr/bin/shasum"));

    std::string upper = abc;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    EXPECT_TRUE(digestMatches(abc, abc));
    EXPECT_TRUE(digestMatches(upper, abc));
    for (const std::string& other : {abc + " ", abc + "\n", abc.substr(1), std::string()})
        EXPECT_FALSE(digestMatches(other, abc)) << other;
}

UpdaterScriptTools macTools() {
    HostConstants h;
    applyMacHostPaths(h);
    return {h.codesignPath, h.launchctlPath, h.osascriptPath, h.cpPath, h.xattrPath, h.openPath};
}

UpdaterScriptValues macValues() {
    return {4242,         "/T/u/Tarsel.app", "/Applications/Tarsel.app",
            "/U/a.plist", "K7M2XQ9PLA",      "/T/u"};
}

TEST(UpdaterScriptText, HeadAndSixAssignments) {
    std::string s = updaterScript(macValues(), macTools());
    EXPECT_EQ(s.substr(0, s.find("\nlog()")),
              "#!/bin/bash\nset -u\nPARENT_PID=\"4242\"\nNEW_APP=\"/T/u/Tarsel.app\"\n"
              "DEST=\"/Applications/Tarsel.app\"\nPLIST=\"/U/a.plist\"\nTEAM_ID=\"K7M2XQ9PLA\"\n"
              "SELF_DIR=\"/T/u\"\nLOG=\"$HOME/Library/Logs/TarselServer.log\"");
}

// Runs the script's assignments in bash and prints what each variable holds.
V assignedValues(const std::string& script) {
    std::string head = script.substr(0, script.find("LOG="));
    TempDir dir;
    testing::writeText(dir / "head.sh", head +
                                            "printf '%s\\0' \"$NEW_APP\" \"$DEST\" \"$PLIST\" "
                                            "\"$TEAM_ID\" \"$SELF_DIR\"\n");
    auto r = runTool("/bin/bash", {dir / "head.sh"});
    V values;
    for (size_t start = 0, end; (end = r.output.find('\0', start)) != std::string::npos;
         start = end + 1)
        values.push_back(r.output.substr(start, end - start));
    return values;
}

// Hostile values arrive exactly, run nothing, and leave a script that bash
// parses and shellcheck passes; odd tool paths stay one word.
TEST(UpdaterScriptQuoting, InsertedValuesArriveExactlyAndRunNothing) {
    TempDir dir;
    std::string marker = dir / "pwned";
    UpdaterScriptValues v = macValues();
    v.newApp = "/tmp/a\"; touch " + marker + "; \"/TarselServer.app";
    v.dest = "/Apps/$(touch " + marker + ")/`touch " + marker + "`/Tarsel \"Server\".app";
    v.plist = "/home/o'brien/$HOME/\\\"/x.plist";
    v.teamID = "K7M2XQ9PLA\nrm -rf /";
    v.selfDir = "/tmp/tsl_update_$$ ${PATH} !x";
    UpdaterScriptTools tools = macTools();
    tools.cp = "/opt/my tools/it's";
    std::string script = updaterScript(v, tools);
    EXPECT_EQ(assignedValues(script), (V{v.newApp, v.dest, v.plist, v.teamID, v.selfDir}));
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_NE(script.find("$SUDO '/opt/my tools/it'\\''s' -R"), std::string::npos);
    EXPECT_NE(script.find("[ ! -w \"/Apps/\\$(touch "), std::string::npos);

    for (const auto& text : {updaterScript(macValues(), macTools()), script}) {
        testing::writeText(dir / "updater.sh", text, 0755);
        auto syntax = runTool("/bin/bash", {"-n", dir / "updater.sh"});
        EXPECT_EQ(syntax.status, 0) << syntax.output;
        REQUIRE_OR_SKIP(std::filesystem::exists("/usr/bin/shellcheck"), "/usr/bin/shellcheck");
        auto lint = runTool("/usr/bin/shellcheck", {dir / "updater.sh"});
        EXPECT_EQ(lint.status, 0) << lint.output;
    }
}

}  // namespace
}  // namespace tarsel
