// One datagram through the receive loop: PINs, hand-over by type, discovery
// and the client record. Scans, lockouts and malformed datagrams against the
// real binary: tests/e2e/test_protocol.py.
#include <gtest/gtest.h>

#include <tuple>

#include "FakePlatform.h"
#include "LogCapture.h"
#include "ManualTimers.h"
#include "TestExecutors.h"
#include "app/ActiveClient.h"
#include "app/Globals.h"
#include "net/CommandHandOver.h"
#include "net/Discovery.h"
#include "net/LocalAddress.h"
#include "net/Pairing.h"
#include "net/ReceiveLoop.h"
#include "net/RequestHead.h"
#include "net/SecurityGuard.h"
#include "runtime/LogText.h"

namespace tarsel {
namespace {

using V = std::vector<std::string>;

// What reached the rest of the agent, one line per call.
struct FakeRequests : RequestHandler {
    V calls;
    void command(const std::string& name, std::optional<int64_t>,
                 const std::optional<PointerDelta>&) override {
        calls.push_back("command " + name);
    }
    void mousePress() override { calls.push_back("press"); }
    void mouseRelease() override { calls.push_back("release"); }
    void text(const std::string& text) override { calls.push_back("text " + text); }
    V fetchShortcuts() override { return {"a", "b"}; }
    void syncShortcuts(Json batch) override { calls.push_back("sync " + batch.dump()); }
    Backlog& backlog() override { return waiting; }
    ManualClock clock;
    Backlog waiting{clock, {2, 10, 100}};
};

class ReceiveLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SecurityGuard::resetShared();
        ctx.remoteIP = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ctx.computerName = "Desk";
    }
    LoopOutcome feed(std::string_view text) { return handleDatagram(ctx, io, text); }

    FakeRequests requests;
    ManualClock clock;
    testing::ManualTimers timers{clock};
    asio::io_context context;
    PairingWindow pairing{clock, timers, context.get_executor()};
    std::string seen;  // the last client that proved the PIN
    ServerIdentity identity{"135790", "1.0.16", [] { return std::string("192.168.0.10"); },
                            [this](const std::string& ip) { seen = ip; }};
    ConnectionContext ctx{"", 4000, "", requests, pairing, identity};
    testing::FakeConnection io;
    testing::LogCapture log;
};

TEST_F(ReceiveLoopTest, WrongPinsAreCountedAndAnswered) {
    for (const char* bad : {R"({"type":"ping"})", R"({"pin":135790,"type":"ping"})",
                            R"({"pin":"000000","type":"ping"})"}) {
        log.clear();
        EXPECT_EQ(feed(bad), LoopOutcome::Continue);
        ASSERT_EQ(log.lines().size(), 2u);
        EXPECT_EQ(log.lines()[1],
                  "⛔️ 차단됨: 잘못된 PIN 접근 (IP: " + ctx.remoteIP + ")");
    }
    EXPECT_EQ(io.sent, V(3, R"({"error":"invalid_pin"})"));
    EXPECT_EQ(log.lines()[0], "⚠️ [Security] IP " + ctx.remoteIP + " 인증 실패 (3/10)");
    // Without a PIN (none could be made) even an empty one is wrong.
    identity.pin.clear();
    feed(R"({"pin":"","type":"ping"})");
    EXPECT_EQ(io.sent.back(), R"({"error":"invalid_pin"})");
}

TEST_F(ReceiveLoopTest, RightPinClearsFailuresAndRecordsTheClient) {
    feed(R"({"pin":"x"})");
    EXPECT_EQ(feed(R"({"pin":"135790"})"), LoopOutcome::Continue);  // no type: silent
    EXPECT_EQ(seen, ctx.remoteIP);
    log.clear();
    feed(R"({"pin":"y"})");
    EXPECT_EQ(log.lines()[0], "⚠️ [Security] IP " + ctx.remoteIP + " 인증 실패 (1/10)");
    feed(R"({"pin":"135790","type":"ping"})");
    EXPECT_EQ(io.sent.back(), "pong");
}

TEST_F(ReceiveLoopTest, RequestsAreHandedOverByType) {
    for (const char* body :
         {R"("type":"Volume Up")", R"("type":"mouse_down")", R"("type":"MOUSE_UP")",
          R"("type":"text","text":"안녕")", R"("type":"text","text":"")",
          R"("type":"fetch_shortcuts")",
          R"("type":"sync_shortcuts","3x3":[{"k":1}],"4x4":[],"user":[2],"x":[{}])"})
        feed(std::string(R"({"pin":"135790",)") + body + "}");
    EXPECT_EQ(requests.calls, (V{"command volume_up", "press", "command mouse_up", "text 안녕",
                                 R"(sync {"3x3":[{"k":1}]})"}));
    EXPECT_EQ(io.sent, (V{"a", "b"}));
    EXPECT_EQ(log.lines(),
              (V{"📱 [Security] 새 기기가 PIN을 확인했습니다: " + ctx.remoteIP + ":4000",
                 "📤 Pushed shortcuts chunk 1/2 (1 bytes)", "📤 Pushed shortcuts chunk 2/2 (1 bytes)",
                 "📦 Detected [3x3]: 1 items"}));
}

// The phone's endpoint is exempt from its address's lockout only while each of
// its datagrams carries the right PIN: one that does not (forged, say) ends
// the exemption, and the locked address's silence covers the phone too.
TEST_F(ReceiveLoopTest, AnythingButTheRightPinEndsAProvenEndpointsExemption) {
    const std::string base = ctx.remoteIP;
    const std::vector<std::string> forged = {R"({"pin":"000000","type":"text","text":"x"})",
                                             R"({"type":"ping"})", "not json", "[1]", "\xff"};
    auto at = [&](std::size_t i) { ctx.remoteIP = base + std::to_string(i); };
    for (std::size_t i = 0; i < forged.size(); ++i)
        at(i), feed(R"({"pin":"135790","type":"ping"})");
    for (std::size_t i = 0; i < forged.size(); ++i)  // locked from another port
        for (int n = 0; n < 10; ++n)
            SecurityGuard::shared().registerFailure({base + std::to_string(i), 4001});
    for (std::size_t i = 0; i < forged.size(); ++i) {
        at(i);
        io.sent.clear();
        EXPECT_EQ(feed(R"({"pin":"135790","type":"ping"})"), LoopOutcome::Continue);
        EXPECT_EQ(io.sent, V{"pong"}) << forged[i];
        feed(forged[i]);
        io.sent.clear();
        EXPECT_EQ(feed(R"({"pin":"135790","type":"ping"})"), LoopOutcome::Stop) << forged[i];
        EXPECT_TRUE(io.sent.empty()) << forged[i];
    }
    EXPECT_EQ(requests.calls, V{});
}

// Queued commands of one endpoint beyond its backlog (here 2 items, 10 bytes
// of text) are dropped; run ones make room again.
TEST_F(ReceiveLoopTest, CommandsBeyondTheBacklogAreDropped) {
    io.runCommands = false;
    for (const char* body : {R"("type":"a")", R"("type":"b")", R"("type":"c")"})
        feed(std::string(R"({"pin":"135790",)") + body + "}");
    ASSERT_EQ(io.commands.size(), 2u);
    for (auto& run : io.commands) run();
    io.commands.clear();
    feed(R"({"pin":"135790","type":"text","text":"01234567890"})");
    feed(R"({"pin":"135790","type":"text","text":"0123456789"})");
    ASSERT_EQ(io.commands.size(), 1u);
    io.commands[0]();
    EXPECT_EQ(requests.calls, (V{"command a", "command b", "text 0123456789"}));
}

// Closed: an empty PIN field; open (at a start that made the PIN, or on the
// user's request): the PIN, until the window runs out. A locked-out address
// gets no reply at all.
TEST_F(ReceiveLoopTest, DiscoveryCarriesThePinOnlyWhilePairingIsOpen) {
    const V expected = {"device_info:Desk|192.168.0.10|mac||" TARSEL_VERSION,
                        "device_info:Desk|192.168.0.10|mac|135790|" TARSEL_VERSION};
    feed("scan");
    pairing.open(PairingWindow::kOnRequestSeconds);
    clock.advance(119.5);
    EXPECT_EQ(pairing.secondsLeft(), 1);
    feed("scan");
    timers.drain(context);  // the window runs out
    feed("scan");
    EXPECT_EQ(io.sent, (V{expected[0], expected[1], expected[0]}));
    EXPECT_EQ(log.lines(), (V{"📡 [Pairing] 페어링 열림: 2분 동안 검색 응답에 PIN을 보냅니다",
                              "📡 [Pairing] 페어링 닫힘: 검색 응답에 PIN을 보내지 않습니다"}));
    pairing.setAlwaysShowPin(true);
    feed("scan");
    EXPECT_EQ(io.sent.back(), expected[1]);
    for (int i = 0; i < 10; ++i) feed(R"({"pin":"0"})");
    io.sent.clear();
    EXPECT_EQ(feed("scan"), LoopOutcome::Stop);
    EXPECT_TRUE(io.sent.empty());
}

// About two whole layouts a second to one address; the rest go unanswered.
TEST_F(ReceiveLoopTest, LayoutRepliesAreCappedPerAddress) {
    for (int i = 0; i < 5; ++i) feed(R"({"pin":"135790","type":"fetch_shortcuts"})");
    EXPECT_EQ(io.sent, (V{"a", "b", "a", "b"}));
    EXPECT_EQ(log.lines().back(),
              "⚠️ [Shortcuts] 너무 잦은 단축키 요청에 응답하지 않음: 1개");
}

// The head scan finds the top-level "pin" and "type" wherever they stand, steps
// over nested values that look like them, and gives up on what is no object.
TEST(RequestHead, TopLevelPinAndTypeOfAnyLargeRequest) {
    using H = std::pair<std::optional<std::string_view>, std::optional<std::string_view>>;
    const std::pair<const char*, std::optional<H>> cases[] = {
        {R"({"pin":"1","type":"sync_shortcuts","3x3":[]})", H{"1", "sync_shortcuts"}},
        {R"( { "3x3" : [{"pin":"9","type":"x","s":"]}\"{"}], "user":{"a":[1,-2.5e3,true,null]},)"
         R"( "type":"t", "pin":"2" } )",
         H{"2", "t"}},
        {R"({"type":"t","pin":7})", H{std::nullopt, "t"}},
        {R"({"p\u0069n":"1","type":"t"})", H{std::nullopt, "t"}},
        {R"({"type":"a\"b"})", H{std::nullopt, std::nullopt}},
        {R"({})", H{}},
        {R"([{"pin":"1"}])", std::nullopt},
        {R"({"pin":"1","x":[})", std::nullopt},
        {R"({"x":"unterminated)", std::nullopt},
        {"", std::nullopt}};
    for (auto [text, expected] : cases) {
        auto head = readRequestHead(text);
        ASSERT_EQ(head.has_value(), expected.has_value()) << text;
        if (head) {
            EXPECT_EQ(H(head->pin, head->type), *expected) << text;
        }
    }
    // Asked for, the layout's sections among the members (a nested one is none).
    EXPECT_EQ(readRequestHead(cases[1].first, true)->sections, 0b1001u);
    EXPECT_EQ(readRequestHead(cases[0].first, true)->sections, 0b0001u);
}

TEST(ScanRequest, BareWordOrJsonObjectWithTypeScan) {
    for (const char* scan :
         {"scan", "  scan\n", "\u3000scan\u2028", R"( {"type":"scan","pin":"0"} )"})
        EXPECT_TRUE(isScanRequest(scan)) << scan;
    for (const char* other :
         {"Scan", "scans", R"({"type":1})", R"([{"type":"scan"}])", R"({"type":"scan")", ""})
        EXPECT_FALSE(isScanRequest(other)) << other;
}

// What any host can put into the log: controls, reordering marks and bytes
// that are not UTF-8 become visible escapes; long text is cut with its size.
TEST(LogText, ControlsAreEscapedAndLongTextIsCut) {
    const std::pair<const char*, const char*> escapes[] = {
        {"a\nb\r\t", "a\\nb\\r\\t"},
        {"\x1b[31m\x7f", "\\x1b[31m\\x7f"},
        {"\u2028\u2029", "\\u2028\\u2029"},
        {"\u202aL\u202eR\u2066\u2069", "\\u202aL\\u202eR\\u2066\\u2069"},
        {"\u200eL\u200fR\u061c", "\\u200eL\\u200fR\\u061c"},
        {"\ufeffBOM", "\\ufeffBOM"},
        {"\xff\xc3", "\\xff\\xc3"},
        {"한글 🚀 \u200b", "한글 🚀 \u200b"}};
    for (auto [raw, shown] : escapes) EXPECT_EQ(escapeLogText(raw), shown) << raw;
    EXPECT_EQ(clipForLog(std::string(300, 'x')), std::string(200, 'x') + "… (300 bytes)");
    EXPECT_EQ(clipForLog("가나다", 4), "가… (9 bytes)");  // never half a character
    EXPECT_EQ(clipForLog("short"), "short");
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

// Names and types: RequestsAreHandedOverByType above.
TEST(CommandHandOver, ValAndExtraRules) {
    const std::tuple<const char*, std::optional<int64_t>, std::optional<PointerDelta>> cases[] = {
        {R"({"val":3.0,"dx":1})", 3, std::nullopt},  // dx alone is never passed
        {R"({"dx":-4,"dy":7.0,"other":1})", std::nullopt, PointerDelta{-4, 7}},
        {R"({"dy":5,"dx":"1","val":1.5})", std::nullopt, PointerDelta{std::nullopt, 5}},
        {R"({"val":1e300,"dy":true})", std::nullopt, std::nullopt},
        // A smooth scroll's notches: finite numbers, fractions kept; anything else is none.
        {R"({"x":0.25,"y":-1.5})", std::nullopt, PointerDelta{{}, {}, 0.25, -1.5}},
        {R"({"y":2,"x":"1"})", std::nullopt, PointerDelta{{}, {}, {}, 2.0}},
        {R"({"x":null,"y":[1]})", std::nullopt, std::nullopt}};
    for (auto [json, val, extra] : cases) {
        Json request = Json::parse(json);
        auto c = buildCommand("x", RequestFields::of(request));
        EXPECT_EQ(std::pair(c.val, c.extra), std::pair(val, extra)) << json;
    }
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

// Strangers share the parse budget: two of the largest datagrams are parsed
// at once (each a parse failure here, logged), a third is dropped unparsed.
TEST_F(ReceiveLoopTest, StrangersLargeDatagramsBeyondTheParseBudgetAreNotParsed) {
    const std::string large(65000, '[');
    const std::string base = ctx.remoteIP;
    for (int i = 0; i < 3; ++i) {
        ctx.remoteIP = base + std::to_string(i);
        feed(large);
    }
    auto lines = log.lines();
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](auto& l) { return l.rfind("⚠️  JSON 파싱 실패", 0) == 0; }),
              2);
}

}  // namespace
}  // namespace tarsel
