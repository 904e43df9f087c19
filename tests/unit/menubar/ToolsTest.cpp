// runTool and the download's digest, against real processes.
#include <gtest/gtest.h>

#include "TestFiles.h"
#include "menubar/RunTool.h"
#include "menubar/Sha256.h"

namespace tarsel {
namespace {

using testing::TempDir;

TEST(RunTool, OneStreamArgumentsAsGivenAndFailuresAsStatusMinusOne) {
    auto r = runTool("/bin/sh", {"-c", "echo out; echo err >&2; echo again; exit 7"});
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.output, "out\nerr\nagain\n");
    EXPECT_EQ(runTool("/bin/echo", {"$HOME", "a b", "'q'"}).output, "$HOME a b 'q'\n");
    r = runTool("/nonexistent/hdiutil", {"attach"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output.rfind("실행 실패: ", 0), 0u) << r.output;
    EXPECT_EQ(runTool("/usr/bin/printf", {"ok \\377\\376 bytes"}).output, "");  // not UTF-8
    EXPECT_EQ(runTool("/usr/bin/printf", {"안녕"}).output, "안녕");
}

TEST(Sha256, DigestFromTheToolsFirstWordAndAnExactMatchInAnyCase) {
    TempDir dir;
    const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    testing::writeText(dir / "a.dmg", "abc");
    testing::writeText(dir / "blank", "#!/bin/sh\necho '   '\n", 0755);
    testing::writeText(dir / "failing", "#!/bin/sh\necho 'ba7816bf  x'; exit 1\n", 0755);
    testing::writeText(dir / "spaced", "#!/bin/sh\necho '  ABC123  file'\n", 0755);
    EXPECT_EQ(sha256Hex(dir / "a.dmg", "/usr/bin/shasum"), abc);
    EXPECT_FALSE(sha256Hex(dir / "missing.dmg", "/usr/bin/shasum"));
    for (const char* tool : {"blank", "failing", "absent"})
        EXPECT_FALSE(sha256Hex("x", dir / tool));
    EXPECT_EQ(sha256Hex("x", dir / "spaced"), "ABC123");

    std::string upper = abc;
    for (char& c : upper) c = static_cast<char>(std::toupper(c));
    EXPECT_TRUE(digestMatches(abc, abc));
    EXPECT_TRUE(digestMatches(upper, abc));
    for (const std::string& other : {abc + " ", abc + "\n", abc.substr(1), std::string()})
        EXPECT_FALSE(digestMatches(other, abc)) << other;
}

}  // namespace
}  // namespace tarsel
