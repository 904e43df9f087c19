#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "LogCapture.h"
#include "config/Pin.h"
#include "runtime/Files.h"
#include "runtime/Json.h"

namespace tarsel {
namespace {

class PinTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("pin-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
        path = (dir / "config.json").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void store(const std::string& text) { std::ofstream(path) << text; }
    Json stored() { return Json::parse(files::readAll(path).data); }

    std::filesystem::path dir;
    std::string path;
    testing::LogCapture log;
};

TEST_F(PinTest, ValidStoredPinsAreSixNumericCharacters) {
    EXPECT_TRUE(isValidStoredPIN("012345"));
    EXPECT_TRUE(isValidStoredPIN("١٢٣٤٥٦"));  // Arabic-Indic digits
    EXPECT_TRUE(isValidStoredPIN("½12345"));  // numeric, not decimal
    EXPECT_FALSE(isValidStoredPIN("12345"));
    EXPECT_FALSE(isValidStoredPIN("1234567"));
    EXPECT_FALSE(isValidStoredPIN("12a456"));
    EXPECT_FALSE(isValidStoredPIN("12 456"));
    EXPECT_FALSE(isValidStoredPIN(std::string("12\xff""456")));
}

TEST_F(PinTest, NewPinsAreSixAsciiDigitsAndSavedPrivately) {
    for (int i = 0; i < 200; ++i) {
        std::string pin = generatePIN();
        ASSERT_EQ(pin.size(), 6u);
        ASSERT_TRUE(std::all_of(pin.begin(), pin.end(), ::isdigit)) << pin;
    }
    std::string pin = loadOrCreatePIN({}, path);
    EXPECT_EQ(stored()["pin"], pin);
    EXPECT_EQ(stored()["version"], "1.0");
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_FALSE(files::exists(path + ".tmp"));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"🎲 [Config] Generated and saved new PIN (6 digits)"});
    log.clear();
    EXPECT_EQ(loadOrCreatePIN({}, path), pin);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"🔑 [Config] Loaded existing PIN from config"});
}

TEST_F(PinTest, InvalidStoredPinsAreReplacedSilently) {
    for (const char* bad : {R"({"pin":"12345"})", R"({"pin":"1234567"})", R"({"pin":123456})",
                            R"(["123456"])", R"({"other":1})"}) {
        store(bad);
        log.clear();
        std::string pin = loadOrCreatePIN({}, path);
        EXPECT_EQ(stored()["pin"], pin) << bad;
        EXPECT_EQ(log.lines().size(), 1u) << bad;
        EXPECT_EQ(log.lines()[0], "🎲 [Config] Generated and saved new PIN (6 digits)");
    }
    store(R"({"pin":"٠١٢٣٤٥","version":"9"})");
    EXPECT_EQ(loadOrCreatePIN({}, path), "٠١٢٣٤٥");
}

TEST_F(PinTest, BrokenJsonLogsTheFailureAndIsOverwritten) {
    for (const char* bad : {"{not json", "123456", "\"123456\""}) {
        store(bad);
        log.clear();
        std::string pin = loadOrCreatePIN({}, path);
        auto lines = log.lines();
        ASSERT_EQ(lines.size(), 2u) << bad;
        EXPECT_EQ(lines[0].rfind("⚠️ [Config] Failed to load config: ", 0), 0u) << lines[0];
        EXPECT_EQ(stored()["pin"], pin);
    }
}

TEST_F(PinTest, ArgumentWinsAndTouchesNoFile) {
    store(R"({"pin":"111111"})");
    EXPECT_EQ(loadOrCreatePIN({"abc", "ignored"}, path), "abc");
    EXPECT_EQ(stored()["pin"], "111111");
    EXPECT_EQ(log.lines(),
              std::vector<std::string>{"🔑 [Static PIN Mode] Using custom PIN from command-line"});
}

TEST_F(PinTest, UnwritableConfigStillGivesAPin) {
    std::string unwritable = (dir / "missing-dir" / "config.json").string();
    std::string pin = loadOrCreatePIN({}, unwritable);
    EXPECT_EQ(pin.size(), 6u);
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("⚠️ [Config] Failed to save PIN: ", 0), 0u);
}

}  // namespace
}  // namespace tarsel
