// Browser pairing's window and tokens, the camera-less requests, and the
// stored browsers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <asio/io_context.hpp>

#include "ManualTimers.h"
#include "TestFiles.h"
#include "web/BrowserPairing.h"
#include "web/BrowserStore.h"
#include "web/PairingKeys.h"

namespace tarsel::web {
namespace {

struct PairingTest : ::testing::Test {
    ManualClock clock;
    testing::ManualTimers timers{clock};
    asio::io_context context;
    BrowserPairing pairing{clock, timers, context.get_executor()};

    std::string pairIdOf(const std::string& token) {
        return keysFromToken(bytesOf(*base64urlDecode(token)))->pairId;
    }
};

TEST_F(PairingTest, ATokenWorksOnceAndOnlyWhileOpen) {
    EXPECT_FALSE(pairing.token());
    pairing.open(BrowserPairing::kOnRequestSeconds);
    const std::string first = *pairing.token();
    EXPECT_EQ(base64urlDecode(first)->size(), kTokenBytes);
    const auto key = pairing.redeem(pairIdOf(first));
    ASSERT_TRUE(key);
    EXPECT_EQ(*key, keysFromToken(bytesOf(*base64urlDecode(first)))->key);
    EXPECT_FALSE(pairing.redeem(pairIdOf(first))) << "used";
    const std::string second = *pairing.token();
    EXPECT_NE(second, first);
    clock.advance(BrowserPairing::kOnRequestSeconds);
    EXPECT_FALSE(pairing.redeem(pairIdOf(second))) << "expired";
    EXPECT_FALSE(pairing.token());
}

TEST_F(PairingTest, OneRequestWaitsAndEveryOneIsAnswered) {
    std::vector<std::string> answers;
    auto answer = [&](const char* who) {
        return [&answers, who](bool ok, const char* why) {
            answers.push_back(std::string(who) + (ok ? " approved" : std::string(" ") + why));
        };
    };
    pairing.ask({"111111", "a", "10.0.0.2"}, answer("closed-first"));
    pairing.open(BrowserPairing::kOnRequestSeconds);
    pairing.ask({"222222", "b", "10.0.0.2"}, answer("b"));
    pairing.ask({"333333", "c", "10.0.0.3"}, answer("c"));
    EXPECT_FALSE(pairing.answer("222222", true));
    EXPECT_EQ(pairing.pending()->name, "c");
    EXPECT_TRUE(pairing.answer("333333", true));
    const uint64_t gone = pairing.ask({"444444", "d", "10.0.0.4"}, answer("d"));
    pairing.withdraw(gone);
    EXPECT_FALSE(pairing.pending());
    pairing.ask({"555555", "e", "10.0.0.5"}, answer("e"));
    timers.drain(context);  // the window runs out
    EXPECT_EQ(answers, (std::vector<std::string>{"closed-first closed", "b replaced", "c approved",
                                                 "e closed"}));
}

TEST(BrowserStoreTest, KeepsBrowsersPrivatelyAcrossStartsAndForgetsThem) {
    testing::TempDir dir;
    ManualClock clock;
    const std::string path = dir / "browsers.json";
    Key key{};
    key[0] = 7;
    std::vector<std::string> forgotten;
    {
        BrowserStore store(path, clock);
        store.onForget([&](const std::string& id) { forgotten.push_back(id); });
        const auto a = store.add("Chrome on Android", key, "192.168.1.5");
        const auto b = store.add("Safari", key, "192.168.1.6");
        ASSERT_TRUE(a && b && *a != *b);
        clock.advance(60);
        store.used(*a, "192.168.1.9");
        EXPECT_TRUE(store.forget(*b));
        EXPECT_FALSE(store.forget(*b));
        EXPECT_EQ(forgotten, std::vector<std::string>{*b});
    }
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    BrowserStore again(path, clock);
    again.load();
    auto list = again.list();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].key, key);
    EXPECT_EQ(list[0].address, "192.168.1.9");
    EXPECT_EQ(list[0].lastUsed - list[0].paired, 60);
    EXPECT_EQ(again.forgetAll(), 1u);
    testing::writeText(path, "{\"browsers\": 3");
    again.load();
    EXPECT_TRUE(again.list().empty());
    std::string aside;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().filename().string().starts_with("browsers.json.damaged-")) aside = e.path();
    EXPECT_EQ(testing::readText(aside), "{\"browsers\": 3") << "kept aside, not lost";
}

}  // namespace
}  // namespace tarsel::web
