// The browser path's readers of untrusted bytes. The first byte picks:
// even, an HTTP request head (with the host and origin checks and, where it
// completes, the next head after it); odd, WebSocket frames whose messages go
// to the handshake and, sealed, to the channel. wslay is Debian's build, not
// instrumented: its code runs, and a fault of ours in its callbacks shows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzPlatform.h"
#include "web/Handshake.h"
#include "web/HostCheck.h"
#include "web/HttpRequest.h"
#include "web/SealedChannel.h"
#include "web/WebSocketCodec.h"

namespace {

using namespace tarsel::web;

void readHeads(std::string_view bytes) {
    static const OwnNames names{{"192.168.1.20"}, "desk", 3090};
    for (int i = 0; i < 4 && !bytes.empty(); ++i) {
        const auto parsed = parseRequestHead(bytes, 8192);
        if (parsed.status != HeadStatus::Complete) return;
        if (parsed.length > bytes.size() ||
            bytes.substr(0, parsed.length).find("\r\n\r\n") != parsed.length - 4)
            std::abort();
        (void)isOwnHost(parsed.request.host, names);
        (void)isOwnOrigin(parsed.request.origin, names);
        bytes.remove_prefix(parsed.length);
    }
}

struct Web {
    BrowserStore store{tarsel::globals().appSupportDir + "/browsers.json",
                       tarsel::testing::fakes().clock};
    BrowserPairing pairing{tarsel::testing::fakes().clock, tarsel::testing::fakes().timers,
                           tarsel::testing::fakes().context.get_executor()};
    SessionKeys keys{};
};

void readFrames(std::string_view bytes) {
    static Web& web = *new Web;
    Handshake handshake({web.store, web.pairing, "10.0.0.1", "Desk", [](std::string_view) {},
                         [](ApprovalRequest) { return uint64_t{1}; }, [] { return true; }});
    SealedChannel channel(web.keys);
    WebSocketCodec codec([&](std::string_view message) {
        if (handshake.handle(message) == Handshake::Step::Continue) return;
        if (auto plain = channel.open(message); plain && plain->size() + 40 > message.size() * 2)
            std::abort();  // an opened message is shorter than its frame
    });
    // Fed in pieces of a size taken from the input, as reads would split it.
    const std::size_t piece = bytes.empty() ? 1 : 1 + static_cast<uint8_t>(bytes[0]) % 64;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        if (!codec.feed(bytes.data() + at, std::min(piece, bytes.size() - at))) break;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return tarsel::fuzz::byFirstByte(
        data, size, [](std::string_view rest) { readHeads(rest); },
        [](std::string_view rest) { readFrames(rest); });
}
