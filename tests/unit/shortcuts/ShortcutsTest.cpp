// Saving uploaded layouts and the chunks sent back for a fetch, against
// files in a fresh data directory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include <asio/io_context.hpp>
#include <filesystem>
#include <iterator>
#include <regex>
#include <vector>

#include "LogCapture.h"
#include "TestFiles.h"
#include "runtime/Json.h"
#include "shortcuts/ShortcutLibrary.h"
#include "shortcuts/ShortcutResponses.h"
#include "shortcuts/ShortcutStore.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;

// A fresh data directory per test with the database path in it.
struct ShortcutsFixture : ::testing::Test {
    void store(const std::string& text) { testing::writeText(path, text); }
    std::string stored() { return testing::readText(path); }
    Json storedJson() { return Json::parse(stored()); }
    testing::TempDir dir{"tarsel-shortcuts"};
    std::string path = dir / "shortcuts_db.json";
    testing::LogCapture log;
};

using StoreTest = ShortcutsFixture;

Json items(int n, const std::string& tag = "k") {
    Json a = Json::array();
    for (int i = 0; i < n; ++i) a.push_back({{"label", tag + std::to_string(i)}, {"pos", i}});
    return a;
}

// Compact UTF-8 with every value exact, integers included, private; nothing
// left behind, and nothing written through a link planted beside it.
TEST_F(StoreTest, FirstSaveWritesExactlyTheBatch) {
    testing::writeText(dir / "victim", "keep", 0644);
    std::filesystem::create_symlink(dir / "victim", path + ".tmp");
    const std::string text =
        R"({"3x3":[],"user":[{"big":18446744073709551615,"emoji":"🚀👍🏽","f":1.5,"ko":"한글 단축키",)"
        R"("n":42,"neg":-7,"nested":{"deep":[1,{"k":"v"}]},"none":null,"off":false,"whole":2.0}]})";
    saveShortcutsBatch(path, Json::parse(text));
    EXPECT_EQ(stored(), text);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
    EXPECT_EQ(testing::readText(dir / "victim"), "keep");
    EXPECT_EQ(std::filesystem::status(dir / "victim").permissions(), std::filesystem::perms(0644));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST_F(StoreTest, BatchReplacesNamedSectionsWholeAndKeepsEveryOtherEntry) {
    store(Json{{"3x3", items(4, "a")}, {"4x4", items(2, "b")}, {"notes", {{"x", 1}}}}.dump());
    saveShortcutsBatch(path, {{"4x4", items(3, "c")}});
    saveShortcutsBatch(path, Json::object());  // touches nothing, logs nothing
    Json db = storedJson();
    EXPECT_EQ(db["3x3"], items(4, "a"));
    EXPECT_EQ(db["4x4"], items(3, "c"));
    EXPECT_EQ(db["notes"], (Json{{"x", 1}}));  // hand-written entries survive
    EXPECT_EQ(log.lines(), (V{
                               "✅ Batch saved 1 sections: 4x4",
                               "   Total sections in DB: 3x3, 4x4, notes",
                               "✅ 단축키 저장 완료: 1개 섹션, 총 3개 항목",
                               "   - 4x4: 3개",
                           }));
    saveShortcutsBatch(path, {{"4x4", Json::array()}});  // stored, never removed
    EXPECT_EQ(storedJson()["4x4"], Json::array());
}

const std::string kSetAside =
    "⚠️ [Shortcuts] 손상된 단축키 파일을 옮기고 빈 목록으로 시작합니다 (";

// A layout that does not parse is moved aside with a line naming the copy
// (the newest three are kept), and the sync starts from empty.
TEST_F(StoreTest, ContentThatDoesNotParseIsSetAside) {
    for (std::string damaged : {"{\"3x3\": [", "[1,2,3]", "\"just a string\"", ""}) {
        store(damaged);
        log.clear();
        saveShortcutsBatch(path, {{"user", items(1)}});
        EXPECT_EQ(storedJson(), (Json{{"user", items(1)}})) << damaged;
        ASSERT_EQ(log.lines().size(), 5u);
        const std::string line = log.lines().front();
        const auto copy = line.substr(line.rfind(": ") + 2);
        EXPECT_EQ(line.rfind(kSetAside, 0), 0u) << line;
        EXPECT_TRUE(std::regex_match(copy, std::regex(path + R"(\.damaged-\d{8}T\d{6}Z(-\d)?)")));
        EXPECT_EQ(testing::readText(copy), damaged);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 4);
}

// A section whose chunk, as a fetch sends it, would not fit one datagram is
// refused with a line, and the stored one stays; the size is taken after
// re-serialisation (1E9 comes back as 1000000000.0).
TEST_F(StoreTest, SectionsTooLargeToSendBackAreRefused) {
    auto blob = [](std::size_t n) { return Json::array({{{"b", std::string(n, 'x')}}}); };
    const std::size_t envelope = buildShortcutsResponses(Json{{"4x4", blob(0)}})[0].size();
    store(Json{{"4x4", items(1)}, {"5x5", items(1)}}.dump());
    std::string nines = "[{\"n\":[1E9";  // 24 KB as sent, 78 KB as sent back
    for (int i = 1; i < 6000; ++i) nines += ",1E9";
    const Json widened = Json::parse(nines + "]}]");
    saveShortcutsBatch(path, {{"3x3", blob(kLargestChunk - envelope)},
                              {"4x4", blob(kLargestChunk - envelope + 1)},
                              {"5x5", widened}});
    EXPECT_EQ(storedJson()["3x3"], blob(kLargestChunk - envelope));  // exactly the largest
    EXPECT_EQ(storedJson()["4x4"], items(1));
    EXPECT_EQ(storedJson()["5x5"], items(1));
    auto lines = log.lines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(
        lines[0],
        "⚠️ [Shortcuts] 섹션 [4x4]은(는) 한 데이터그램(65507 bytes)에 담을 수 "
        "없어 "
        "저장하지 않습니다: 65508 bytes");
    EXPECT_EQ(lines[1].rfind("⚠️ [Shortcuts] 섹션 [5x5]은(는)", 0), 0u);
}

// A database that exists but cannot be read is never overwritten; a failed
// write leaves the old file. Concurrent saves: tests/e2e/test_shortcuts.py.
TEST_F(StoreTest, FailuresAreLoggedAndLeaveTheOldDatabase) {
    std::filesystem::create_directories(path);  // exists, and every read of it fails
    testing::writeText(path + "/keep", "x");
    saveShortcutsBatch(path, {{"user", items(1)}});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "stopped before writing";
    EXPECT_TRUE(std::filesystem::exists(path + "/keep"));
    std::filesystem::remove_all(path);

    const std::string old = R"({"3x3":[{"a":1}]})";
    store(old);
    {
        // Writes beyond 20 bytes fail (EFBIG), even for root.
        signal(SIGXFSZ, SIG_IGN);
        rlimit was{}, small{20, 20};
        getrlimit(RLIMIT_FSIZE, &was);
        small.rlim_max = was.rlim_max;
        setrlimit(RLIMIT_FSIZE, &small);
        saveShortcutsBatch(path, {{"user", items(1)}});
        setrlimit(RLIMIT_FSIZE, &was);
    }
    EXPECT_EQ(stored(), old);
    ASSERT_EQ(log.lines().size(), 2u);
    for (const auto& line : log.lines())
        EXPECT_EQ(line.rfind("❌ 단축키 저장 실패: ", 0), 0u) << line;
}

// The file stays the user's while the agent runs: a hand edit is read again
// before a fetch or a sync (and kept beside the synced sections), a file that
// does not parse gets no answer and one line per version of it, and a sync
// over it sets it aside. The agent's own write is not taken for an edit.
TEST_F(StoreTest, TheLibraryReadsAFileChangedWhileItRuns) {
    store(Json{{"3x3", items(1)}}.dump());
    asio::io_context writer;
    ShortcutLibrary library(path, writer.get_executor());
    auto fetched = [&] {
        V names;
        for (const auto& chunk : library.responses())
            names.push_back(Json::parse(chunk)["sections"][0]);
        return names;
    };
    library.saveBatch({{"4x4", items(2)}});
    library.flush();
    EXPECT_EQ(fetched(), (V{"3x3", "4x4"}));
    store(Json{{"3x3", items(3)}, {"4x4", items(2)}, {"notes", "hand"}}.dump());
    EXPECT_EQ(fetched(), (V{"3x3", "4x4", "notes"}));
    library.saveBatch({{"user", items(1)}});
    library.flush();
    EXPECT_EQ(storedJson(),
              (Json{{"3x3", items(3)}, {"4x4", items(2)}, {"notes", "hand"}, {"user", items(1)}}));

    log.clear();
    store("{\"3x3\": [");
    EXPECT_EQ(fetched(), V{});
    EXPECT_EQ(fetched(), V{});
    store("{\"3x3\": [1");
    EXPECT_EQ(fetched(), V{});
    ASSERT_EQ(log.lines().size(), 2u);
    for (const auto& line : log.lines())
        EXPECT_EQ(line.rfind("❌ Failed to build shortcuts response: ", 0), 0u) << line;
    log.clear();
    library.saveBatch({{"user", items(2)}});
    library.flush();
    EXPECT_EQ(log.lines().front().rfind(kSetAside, 0), 0u);
    EXPECT_EQ(storedJson(), (Json{{"user", items(2)}}));
    EXPECT_EQ(fetched(), V{"user"});
}

using ResponsesTest = ShortcutsFixture;

std::vector<Json> parsedResponses(const std::string& path) {
    std::vector<Json> out;
    for (const auto& text : buildShortcutsResponses(path)) out.push_back(Json::parse(text));
    return out;
}

V sectionOrder(const std::string& path) {
    V names;
    for (const auto& chunk : parsedResponses(path)) names.push_back(chunk["sections"][0]);
    return names;
}

TEST_F(ResponsesTest, OneCompactChunkPerSectionInSortedOrder) {
    store(R"({"user":[{"a":1}],"3x3":[{"a":1},{"b":2}],"5x5":[],"4x4":[{"c":3}]})");
    auto chunk = [](const char* name, const char* items, int count) {
        return std::string(R"({"sections":[")") + name + R"("],"shortcuts_db":{")" + name +
               "\":" + items + R"(},"total_count":)" + std::to_string(count) +
               R"(,"type":"shortcuts_sync"})";
    };
    EXPECT_EQ(buildShortcutsResponses(path),
              (V{chunk("3x3", R"([{"a":1},{"b":2}])", 2), chunk("4x4", R"([{"c":3}])", 1),
                 chunk("5x5", "[]", 0), chunk("user", R"([{"a":1}])", 1)}));
}

TEST_F(ResponsesTest, NamesAreOrderedByCodePointAfterNormalisation) {
    // "e" + combining acute normalises to U+00E9, which sorts after "f" and before "가".
    store(R"({"가":[],"f":[],"e\u0301":[],"Z":[],"a":[]})");
    EXPECT_EQ(sectionOrder(path), (V{"Z", "a", "f", "e\xcc\x81", "\xea\xb0\x80"}));
}

TEST_F(ResponsesTest, OddSectionValuesAreSentAsStoredWithZeroCount) {
    store(R"({"hand":{"x":1},"num":7,"mixed":[{"a":1},2]})");
    for (const auto& chunk : parsedResponses(path)) {
        std::string name = chunk["sections"][0];
        EXPECT_EQ(chunk["total_count"], 0) << name;
        EXPECT_EQ(chunk["shortcuts_db"], Json({{name, storedJson()[name]}})) << name;
    }
    EXPECT_EQ(parsedResponses(path).size(), 3u);
}

TEST_F(ResponsesTest, NothingToSendIsQuietButABrokenOrUnreadableFileIsLogged) {
    EXPECT_TRUE(buildShortcutsResponses(path).empty());  // no file
    for (std::string text : {"[]", "[{\"3x3\":[]}]", "{}"}) {
        store(text);
        EXPECT_TRUE(buildShortcutsResponses(path).empty()) << text;
    }
    EXPECT_TRUE(log.lines().empty());
    store("{\"3x3\":[");
    EXPECT_TRUE(buildShortcutsResponses(path).empty());
    std::filesystem::remove(path);
    std::filesystem::create_directories(path);
    EXPECT_TRUE(buildShortcutsResponses(path).empty());
    ASSERT_EQ(log.lines().size(), 2u);
    for (const auto& l : log.lines())
        EXPECT_EQ(l.rfind("❌ Failed to build shortcuts response: ", 0), 0u) << l;
}

}  // namespace
}  // namespace tarsel
