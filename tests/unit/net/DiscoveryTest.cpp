#include <gtest/gtest.h>

#include "app/Globals.h"
#include "net/CommandHandOver.h"
#include "net/Discovery.h"
#include "net/LocalAddress.h"

namespace tarsel {
namespace {

TEST(ScanRequest, BareWordOrJsonObjectWithTypeScan) {
    for (const char* scan :
         {"scan", "  scan\n", "\u3000scan\u2028", R"( {"type":"scan","pin":"0"} )"})
        EXPECT_TRUE(isScanRequest(scan)) << scan;
    for (const char* other :
         {"Scan", "scans", R"({"type":1})", R"([{"type":"scan"}])", R"({"type":"scan")", ""})
        EXPECT_FALSE(isScanRequest(other)) << other;
}

TEST(DiscoveryReply, FiveFieldsUnescaped) {
    EXPECT_EQ(discoveryReply("My|Mac", "192.168.1.5", "012345", "1.0.16"),
              "device_info:My|Mac|192.168.1.5|mac|012345|1.0.16");
}

TEST(ClientRecord, ActiveForThirtySecondsAfterTheLastRequest) {
    ManualClock clock;
    auto& g = globals();
    g.clock = &clock;
    recordClient("10.0.0.7");
    clock.advance(10);
    recordClient("10.0.0.8");
    ASSERT_TRUE(getActiveClient());
    EXPECT_EQ(getActiveClient()->ip, "10.0.0.8");
    clock.advance(29.9);
    EXPECT_TRUE(getActiveClient());
    clock.advance(0.1);
    EXPECT_FALSE(getActiveClient());
    EXPECT_TRUE(g.connectedClient);  // stale, not cleared
    g.clock = &Clock::system();
}

TEST(CommandHandOver, NameValAndExtraRules) {
    auto c = buildCommand("Volume Up", Json{{"val", 3.0}, {"dx", 1}});
    EXPECT_EQ(c.name, "volume_up");
    EXPECT_EQ(c.val, 3);
    EXPECT_FALSE(c.extra);  // dx alone is never passed
    c = buildCommand("move", Json{{"dx", -4}, {"dy", 7.0}, {"other", 1}});
    EXPECT_EQ(*c.extra, (PointerDelta{-4, 7}));
    c = buildCommand("scroll", Json{{"dy", 5}, {"dx", "1"}, {"val", 1.5}});
    EXPECT_EQ(*c.extra, (PointerDelta{std::nullopt, 5}));
    EXPECT_FALSE(c.val);
    c = buildCommand("MOUSE_DOWN", Json::object());
    EXPECT_EQ(c.type, "MOUSE_DOWN");
    EXPECT_EQ(c.name, "mouse_down");
    c = buildCommand("x", Json{{"val", 1e300}, {"dy", true}});
    EXPECT_FALSE(c.val);
    EXPECT_FALSE(c.extra);
}

TEST(LocalAddress, InterfacesFirstThenFirstPrivateHostAddress) {
    using Answers = std::vector<std::optional<std::string>>;
    EXPECT_EQ(chooseLocalIP(Answers{"", "10.1.2.3"}, {"192.168.0.9"}), "10.1.2.3");
    EXPECT_EQ(chooseLocalIP(Answers{"192.168.7.7", "10.1.2.3"}, {}), "192.168.7.7");
    EXPECT_EQ(chooseLocalIP(Answers{std::nullopt, ""}, {"fe80::1", "172.20.0.5", "192.168.1.2"}),
              "172.20.0.5");
    EXPECT_EQ(chooseLocalIP(Answers{}, {"8.8.8.8", "::1"}), "127.0.0.1");
    EXPECT_EQ(chooseLocalIP(Answers{}, {}), "127.0.0.1");
}

}  // namespace
}  // namespace tarsel
