#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "ShortcutsFixture.h"
#include "shortcuts/ShortcutResponses.h"

namespace tarsel {
namespace {

using ResponsesTest = ShortcutsFixture;

std::vector<Json> parsedResponses(const std::string& path) {
    std::vector<Json> out;
    for (const auto& text : buildShortcutsResponses(path)) out.push_back(Json::parse(text));
    return out;
}

std::vector<std::string> sectionOrder(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& chunk : parsedResponses(path)) names.push_back(chunk["sections"][0]);
    return names;
}

TEST_F(ResponsesTest, OneCompactChunkPerSectionInSortedOrder) {
    store(R"({"user":[{"a":1}],"3x3":[{"a":1},{"b":2}],"5x5":[],"4x4":[{"c":3}]})");
    auto texts = buildShortcutsResponses(path);
    ASSERT_EQ(texts.size(), 4u);
    for (const auto& t : texts) EXPECT_EQ(t.find(": "), std::string::npos) << t;

    Json first = Json::parse(texts[0]);
    EXPECT_EQ(first,
              Json::parse(R"({"type":"shortcuts_sync","shortcuts_db":{"3x3":[{"a":1},{"b":2}]},
                                     "sections":["3x3"],"total_count":2})"));
    EXPECT_EQ(sectionOrder(path), (std::vector<std::string>{"3x3", "4x4", "5x5", "user"}));
    EXPECT_EQ(Json::parse(texts[2])["total_count"], 0);
}

TEST_F(ResponsesTest, NamesAreOrderedByCodePointAfterNormalisation) {
    // "e" + combining acute normalises to U+00E9, which sorts after "f" and before "가".
    store(R"({"가":[],"f":[],"e\u0301":[],"Z":[],"a":[]})");
    EXPECT_EQ(sectionOrder(path),
              (std::vector<std::string>{"Z", "a", "f", "e\xcc\x81", "\xea\xb0\x80"}));
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
