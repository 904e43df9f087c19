// The browser's own buttons: what may be stored, and saves against the
// revision they edited, on a real library and file.
#include <gtest/gtest.h>

#include <asio/io_context.hpp>
#include <string>

#include "LogCapture.h"
#include "TestFiles.h"
#include "runtime/Json.h"
#include "shortcuts/ShortcutLibrary.h"
#include "shortcuts/ShortcutPad.h"

namespace tarsel {
namespace {

Json button(const std::string& label, const std::string& command) {
    return {{"label", label}, {"command", command}};
}

TEST(ShortcutPad, OnlyLabelledCommandsWithinTheLimitsAreStored) {
    std::string why;
    const Json extra = {{"label", "복사"}, {"command", "cmd+c"}, {"html", "<b>x</b>"}};
    EXPECT_EQ(padButtons(Json::array({extra}), why), Json::array({button("복사", "cmd+c")}));
    const Json refused[] = {Json::object(),
                            Json::array({button("", "copy")}),
                            Json::array({button("a", "")}),
                            Json::array({button(std::string(41, 'x'), "copy")}),
                            Json::array({button("a", std::string(201, 'c'))}),
                            Json::array({button("a\nb", "copy")}),
                            Json::array({{{"label", 5}, {"command", "copy"}}}),
                            Json::array({"copy"}),
                            Json(std::vector<Json>(61, button("a", "copy")))};
    for (const Json& buttons : refused) {
        why.clear();
        EXPECT_FALSE(padButtons(buttons, why)) << buttons;
        EXPECT_FALSE(why.empty());
    }
    // Forty characters are forty, whatever their bytes.
    std::string hangul;
    for (int i = 0; i < 40; ++i) hangul += "한";
    EXPECT_TRUE(padButtons(Json::array({button(hangul, "copy")}), why));
}

TEST(ShortcutPad, SavesNameTheRevisionTheyEditedAndStaleOnesAreRefused) {
    testing::TempDir dir{"tarsel-pad"};
    const std::string path = dir / "shortcuts_db.json";
    testing::writeText(path, Json{{"3x3", Json::array({{{"k", 1}}})}}.dump());
    testing::LogCapture log;
    asio::io_context writer;
    ShortcutLibrary library(path, writer.get_executor());
    auto ask = [&](const char* type, const Json& request) {
        return Json::parse(answerPad(library, type, request));
    };
    const Json first = ask("fetch_pad", {{"known", ""}});
    EXPECT_EQ(first["buttons"], Json::array());
    const std::string empty = first["revision"];
    EXPECT_FALSE(ask("fetch_pad", {{"known", empty}}).contains("buttons"));  // unchanged: short

    const Json mine = Json::array({button("Terminal", "terminal")});
    const Json saved = ask("save_pad", {{"revision", empty}, {"buttons", mine}});
    EXPECT_EQ(std::pair(saved["type"], saved["buttons"]), std::pair(Json("pad"), mine));
    EXPECT_NE(saved["revision"], empty);
    // Another page still on the old list is refused and told the new revision.
    const Json stale = ask("save_pad", {{"revision", empty}, {"buttons", Json::array()}});
    EXPECT_EQ(std::pair(stale["type"], stale["revision"]),
              std::pair(Json("pad_refused"), saved["revision"]));
    EXPECT_EQ(ask("save_pad", {{"revision", saved["revision"]}, {"buttons", "x"}})["type"],
              "pad_refused");
    library.flush();
    const Json stored = Json::parse(testing::readText(path));
    EXPECT_EQ(stored["web"], mine);
    EXPECT_EQ(stored["3x3"], Json::array({{{"k", 1}}}));  // the phone's sections stay
    EXPECT_EQ(ask("fetch_pad", {{"known", empty}})["buttons"], mine);
    // Changed by hand: a new revision, and a save on the old one is refused.
    testing::writeText(path, Json{{"web", Json::array({button("Mute", "mute")})}}.dump());
    EXPECT_EQ(ask("save_pad", {{"revision", saved["revision"]}, {"buttons", mine}})["type"],
              "pad_refused");
    int refusals = 0;
    for (const auto& line : log.lines())
        refusals += line.rfind("⚠️ [Web] 버튼 저장 거부: ", 0) == 0;
    EXPECT_EQ(refusals, 3);  // one line each
}

}  // namespace
}  // namespace tarsel
