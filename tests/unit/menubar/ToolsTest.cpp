// runTool, the digest and the four signature checks, against real processes.
#include <gtest/gtest.h>

#include "LogCapture.h"
#include "StandIns.h"
#include "menubar/RunTool.h"
#include "menubar/Sha256.h"
#include "menubar/VerifyExtractedApp.h"

namespace tarsel {
namespace {

using testing::LogCapture;
using testing::StandInTools;
using testing::TempDir;

TEST(RunTool, OneStreamForOutputAndErrorsAndTheExitStatus) {
    auto r = runTool("/bin/sh", {"-c", "echo out; echo err >&2; echo again; exit 7"});
    EXPECT_EQ(r.status, 7);
    EXPECT_EQ(r.output, "out\nerr\nagain\n");
    // Arguments reach the tool as they are: no shell in between.
    r = runTool("/bin/echo", {"$HOME", "a b", "'q'"});
    EXPECT_EQ(r.output, "$HOME a b 'q'\n");
}

TEST(RunTool, ToolThatCannotStartIsStatusMinusOne) {
    auto r = runTool("/nonexistent/hdiutil", {"attach"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.output.rfind("실행 실패: ", 0), 0u) << r.output;
    EXPECT_EQ(runTool("", {}).status, -1);
}

TEST(RunTool, OutputThatIsNotUtf8ComesBackEmpty) {
    auto r = runTool("/usr/bin/printf", {"ok \\377\\376 bytes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(runTool("/usr/bin/printf", {"안녕"}).output, "안녕");
}

TEST(Sha256, DigestOfTheFileFromTheTool) {
    TempDir dir;
    testing::writeText(dir / "a.dmg", "abc");
    auto digest = sha256Hex(dir / "a.dmg", "/usr/bin/shasum");
    if (!digest && !testing::fs::exists("/usr/bin/shasum")) GTEST_SKIP() << "no /usr/bin/shasum";
    EXPECT_EQ(digest, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_FALSE(sha256Hex(dir / "missing.dmg", "/usr/bin/shasum"));
}

TEST(Sha256, NoDigestWhenTheToolFailsOrPrintsNothing) {
    TempDir dir;
    StandInTools tools(dir / "tools");
    tools.tool("blank", "echo '   '");
    tools.tool("failing", "echo 'ba7816bf  x'; exit 1");
    tools.tool("spaced", "echo '  ABC123  file'");
    EXPECT_FALSE(sha256Hex("x", tools.path("blank")));
    EXPECT_FALSE(sha256Hex("x", tools.path("failing")));
    EXPECT_FALSE(sha256Hex("x", tools.path("absent")));
    EXPECT_EQ(sha256Hex("x", tools.path("spaced")), "ABC123");
}

TEST(Sha256, ManifestDigestMatchesInAnyCaseButIsNeverTrimmed) {
    const std::string digest = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    EXPECT_TRUE(digestMatches(digest, digest));
    EXPECT_TRUE(
        digestMatches("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", digest));
    EXPECT_FALSE(digestMatches(digest + " ", digest));
    EXPECT_FALSE(digestMatches(digest + "\n", digest));
    EXPECT_FALSE(digestMatches(digest.substr(1), digest));
    EXPECT_FALSE(digestMatches("", digest));
}

class VerifyExtractedAppTest : public ::testing::Test {
  protected:
    TempDir dir;
    StandInTools tools{dir / "tools"};
    SignatureTools paths{tools.path("codesign"), tools.path("spctl"), tools.path("stapler")};
    std::string app = dir / "TarselServer.app";
    LogCapture log;
};

TEST_F(VerifyExtractedAppTest, AllFourChecksPassInOrder) {
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA");
    EXPECT_TRUE(verifyExtractedApp(app, "K7M2XQ9PLA", paths));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"✅ 보안 검증 통과 (서명·TeamID·spctl·공증)"});
    EXPECT_EQ(tools.calls(),
              "codesign --verify --deep --strict " + app + "\ncodesign -dv --verbose=4 " + app +
                  "\nspctl --assess --type exec " + app + "\nstapler validate " + app + "\n");
}

TEST_F(VerifyExtractedAppTest, FirstFailingCheckLogsItsLineAndStops) {
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA");
    testing::writeText(testing::fs::path(app) / "Contents/extra", "added after signing");
    EXPECT_FALSE(verifyExtractedApp(app, "K7M2XQ9PLA", paths));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"❌ codesign --verify 실패"});
    EXPECT_EQ(tools.calls().find("spctl"), std::string::npos);

    log.clear();
    testing::fs::remove_all(app);
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA0");  // another team, ours as its prefix
    EXPECT_FALSE(verifyExtractedApp(app, "K7M2XQ9PLA", paths));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"❌ TeamIdentifier 불일치"});

    log.clear();
    testing::fs::remove_all(app);
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA", /*gatekeeper=*/false);
    EXPECT_FALSE(verifyExtractedApp(app, "K7M2XQ9PLA", paths));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"❌ spctl 거부"});

    log.clear();
    testing::fs::remove_all(app);
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA", true, /*ticket=*/false);
    EXPECT_FALSE(verifyExtractedApp(app, "K7M2XQ9PLA", paths));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"❌ stapler validate 실패"});
}

TEST_F(VerifyExtractedAppTest, TeamIdentifierIsReadFromTheOutputWhateverTheStatus) {
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA");
    testing::writeText(testing::fs::path(app) / "Contents/_CodeSignature/display-status", "1");
    EXPECT_TRUE(verifyExtractedApp(app, "K7M2XQ9PLA", paths));
}

TEST_F(VerifyExtractedAppTest, MissingToolCountsAsAFailedCheck) {
    tools.makeSignedBundle(app, "1.0.17", "K7M2XQ9PLA");
    SignatureTools noSpctl = paths;
    noSpctl.spctl = dir / "tools/absent";
    EXPECT_FALSE(verifyExtractedApp(app, "K7M2XQ9PLA", noSpctl));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"❌ spctl 거부"});
}

}  // namespace
}  // namespace tarsel
