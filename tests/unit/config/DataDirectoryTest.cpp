// Moving the data of an earlier version; the ordinary move and its log line
// against the real binary: tests/e2e/test_protocol.py.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "LogCapture.h"
#include "TestFiles.h"
#include "config/DataDirectory.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::writeText;

const std::string kConfig = R"({"pin":"482913","version":"1.0"})", kDb = R"({"apps":[{"n":1}]})";

TEST(Migration, MovesPrivatelyFinishesAnInterruptedMoveAndKeepsFilesOnFailure) {
    testing::TempDir root;
    testing::LogCapture log;
    const std::string old = root / "old", now = root / "new";
    auto makeOld = [&](const std::string& config) {
        writeText(old + "/config.json", config);
        writeText(old + "/shortcuts_db.json", kDb);
    };
    makeOld(kConfig);
    migrateDataDirectory(old, now);
    EXPECT_EQ(readText(now + "/shortcuts_db.json"), kDb);
    struct stat st {};
    stat((now + "/config.json").c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(fs::exists(old));

    // The new config was written before a crash: it stays, the rest follows.
    fs::remove(now + "/shortcuts_db.json");
    makeOld(R"({"pin":"000000","version":"1.0"})");
    migrateDataDirectory(old, now);
    EXPECT_EQ(readText(now + "/config.json"), kConfig);
    EXPECT_EQ(readText(now + "/shortcuts_db.json"), kDb);
    EXPECT_FALSE(fs::exists(old));

    fs::remove_all(now);
    writeText(now, "a file where the folder should be");
    makeOld(kConfig);
    log.clear();
    migrateDataDirectory(old, now);
    EXPECT_EQ(readText(old + "/config.json"), kConfig);
    EXPECT_EQ(readText(old + "/shortcuts_db.json"), kDb);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(
        log.lines()[0].rfind("⚠️ [Config] 데이터 이동 실패 (기존 위치 유지): ", 0),
        0u);
}

}  // namespace
}  // namespace tarsel
