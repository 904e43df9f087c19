#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "LogCapture.h"
#include "config/DataDirectory.h"
#include "runtime/Files.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;

class Migration : public ::testing::Test {
  protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("migrate-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(root);
        old = root / "home/Library/Application Support/TarselServer";
        now = root / "home/.config/tarsel";
        fs::create_directories(old);
        write(old / "config.json", R"({"pin":"482913","version":"1.0"})");
        write(old / "shortcuts_db.json", R"({"apps":[{"n":1}]})");
    }
    void TearDown() override { fs::remove_all(root); }
    static void write(const fs::path& p, const std::string& text) { std::ofstream(p) << text; }
    static std::string read(const fs::path& p) { return files::readAll(p.string()).data; }
    static int mode(const fs::path& p) {
        struct stat st {};
        stat(p.c_str(), &st);
        return st.st_mode & 0777;
    }

    fs::path root, old, now;
    testing::LogCapture log;
};

TEST_F(Migration, MovesBothFilesOnceKeepingThemPrivate) {
    HostConstants host;
    host.dataDir = now.string();
    host.legacyDataDirs = {old.string()};
    EXPECT_EQ(makeAppSupportDir(host), now.string());
    EXPECT_EQ(read(now / "config.json"), R"({"pin":"482913","version":"1.0"})");
    EXPECT_EQ(read(now / "shortcuts_db.json"), R"({"apps":[{"n":1}]})");
    EXPECT_EQ(mode(now / "config.json"), 0600);
    EXPECT_EQ(mode(now / "shortcuts_db.json"), 0600);
    EXPECT_FALSE(fs::exists(old));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"📂 [Config] 데이터를 새 위치로 옮겼습니다: " +
                                                    old.string() + " → " + now.string()});
    makeAppSupportDir(host);  // nothing left to move
    EXPECT_EQ(log.lines().size(), 1u);
}

TEST_F(Migration, AnInterruptedMoveIsFinishedWithoutReplacingWhatArrived) {
    fs::create_directories(now);
    write(now / "config.json", R"({"pin":"482913","version":"1.0"})");  // written, then a crash
    write(old / "config.json", R"({"pin":"000000","version":"1.0"})");
    migrateDataDirectory(old.string(), now.string());
    EXPECT_EQ(read(now / "config.json"), R"({"pin":"482913","version":"1.0"})");
    EXPECT_EQ(read(now / "shortcuts_db.json"), R"({"apps":[{"n":1}]})");
    EXPECT_FALSE(fs::exists(old));
}

TEST_F(Migration, AFailedMoveKeepsTheOldFiles) {
    fs::create_directories(root / "home/.config");
    write(now, "a file where the folder should be");
    migrateDataDirectory(old.string(), now.string());
    EXPECT_EQ(read(old / "config.json"), R"({"pin":"482913","version":"1.0"})");
    EXPECT_EQ(read(old / "shortcuts_db.json"), R"({"apps":[{"n":1}]})");
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(
        log.lines()[0].rfind("⚠️ [Config] 데이터 이동 실패 (기존 위치 유지): ", 0),
        0u);
}

}  // namespace
}  // namespace tarsel
