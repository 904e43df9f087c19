#include <gtest/gtest.h>

#include <filesystem>
#include <thread>
#include <vector>

#include "ShortcutsFixture.h"
#include "shortcuts/ShortcutStore.h"

namespace tarsel {
namespace {

using StoreTest = ShortcutsFixture;

Json items(int n, const std::string& tag = "k") {
    Json a = Json::array();
    for (int i = 0; i < n; ++i) a.push_back({{"label", tag + std::to_string(i)}, {"pos", i}});
    return a;
}

TEST_F(StoreTest, FirstSaveWritesExactlyTheBatchCompactlyWithNoTemporaryLeft) {
    Json batch = {{"user", items(2)}, {"3x3", Json::array()}};
    saveShortcutsBatch(path, batch);

    std::string text = stored();
    EXPECT_EQ(Json::parse(text), batch);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text.find(": "), std::string::npos);
    EXPECT_EQ(text.find(", "), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST_F(StoreTest, BatchReplacesNamedSectionsWholeAndKeepsEveryOtherEntry) {
    store(Json{{"3x3", items(4, "a")}, {"4x4", items(2, "b")}, {"notes", {{"x", 1}}}}.dump());
    saveShortcutsBatch(path, {{"4x4", items(3, "c")}});

    Json db = storedJson();
    EXPECT_EQ(db["3x3"], items(4, "a"));
    EXPECT_EQ(db["4x4"], items(3, "c"));
    EXPECT_EQ(db["notes"], (Json{{"x", 1}}));  // hand-written entries survive
    EXPECT_EQ(log.lines(), (std::vector<std::string>{
                               "✅ Batch saved 1 sections: 4x4",
                               "   Total sections in DB: 3x3, 4x4, notes",
                               "✅ 단축키 저장 완료: 1개 섹션, 총 3개 항목",
                               "   - 4x4: 3개",
                           }));
}

TEST_F(StoreTest, EmptyArrayIsStoredAndNeverRemovesTheSection) {
    saveShortcutsBatch(path, {{"5x5", items(3)}});
    saveShortcutsBatch(path, {{"5x5", Json::array()}});
    EXPECT_EQ(storedJson(), (Json{{"5x5", Json::array()}}));
}

TEST_F(StoreTest, EmptyBatchTouchesNothing) {
    saveShortcutsBatch(path, Json::object());
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(StoreTest, ItemsKeepTheirExactValuesIntegersIncluded) {
    Json item = Json::parse(R"({"n":42,"neg":-7,"big":18446744073709551615,"f":1.5,"whole":2.0,
        "on":true,"off":false,"none":null,"nested":{"deep":[1,{"k":"v"}]},
        "ko":"한글 단축키","emoji":"🚀👍🏽"})");
    saveShortcutsBatch(path, {{"user", Json::array({item})}});

    std::string text = stored();
    EXPECT_NE(text.find(R"("n":42,)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("big":18446744073709551615)"), std::string::npos) << text;
    EXPECT_NE(text.find(R"("whole":2.0)"), std::string::npos) << text;
    EXPECT_NE(text.find("한글 단축키"), std::string::npos) << "stored as UTF-8, not escaped";
    EXPECT_EQ(Json::parse(text)["user"][0], item);
    EXPECT_TRUE(Json::parse(text)["user"][0]["n"].is_number_integer());
}

TEST_F(StoreTest, ContentThatDoesNotParseIsReplacedSilently) {
    for (std::string damaged : {"{\"3x3\": [", "[1,2,3]", "\"just a string\"", ""}) {
        store(damaged);
        log.clear();
        saveShortcutsBatch(path, {{"user", items(1)}});
        EXPECT_EQ(storedJson(), (Json{{"user", items(1)}})) << damaged;
        ASSERT_FALSE(log.lines().empty());
        EXPECT_EQ(log.lines().front(), "✅ Batch saved 1 sections: user") << damaged;
    }
}

TEST_F(StoreTest, ExistingButUnreadableDatabaseIsNeverOverwritten) {
    // A directory in the file's place: it exists, and every read of it fails.
    std::filesystem::create_directories(path);
    std::ofstream(path + "/keep") << "x";
    saveShortcutsBatch(path, {{"user", items(1)}});

    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("❌ 단축키 저장 실패: ", 0), 0u) << log.lines()[0];
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp")) << "stopped before writing";
    EXPECT_TRUE(std::filesystem::exists(path + "/keep"));
}

TEST_F(StoreTest, WriteFailureIsLoggedAndTheOldFileStays) {
    const std::string old = R"({"3x3":[{"a":1}]})";
    store(old);
    std::filesystem::create_directories(path + ".tmp");  // the temporary cannot be written
    saveShortcutsBatch(path, {{"user", items(1)}});
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("❌ 단축키 저장 실패: ", 0), 0u) << log.lines()[0];
    EXPECT_EQ(stored(), old);
}

TEST_F(StoreTest, ConcurrentSavesNeverLoseABatch) {
    constexpr int kWriters = 4, kRounds = 25;
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w)
        writers.emplace_back([this, w] {
            for (int r = 0; r < kRounds; ++r)
                saveShortcutsBatch(path, {{"s" + std::to_string(w), items(r + 1)}});
        });
    for (auto& t : writers) t.join();

    Json db = storedJson();
    ASSERT_EQ(db.size(), static_cast<std::size_t>(kWriters));
    for (int w = 0; w < kWriters; ++w) EXPECT_EQ(db["s" + std::to_string(w)], items(kRounds));
    for (const auto& line : log.lines()) EXPECT_EQ(line.find("❌"), std::string::npos) << line;
}

}  // namespace
}  // namespace tarsel
