// The whole receive path for one datagram: decode, scan test, lockout, JSON,
// PIN, type dispatch and the command hand-over, on the fake platform.
// Commands run inline, so the dispatcher and the input layer see every input.
// First, the flat reader against the full parser: the same verdict and fields
// for every datagram it reads, or it declines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "FuzzPlatform.h"
#include "app/AgentRequests.h"
#include "net/CommandHandOver.h"
#include "net/Discovery.h"
#include "net/FlatRequest.h"
#include "net/Pairing.h"
#include "net/ReceiveLoop.h"
#include "net/RequestHead.h"
#include "runtime/Unicode.h"

namespace {

// The head scan steps over any value without reading past the datagram, and
// where the parser sees an object it sees one too.
void checkRequestHead(std::string_view datagram) {
    const auto head = tarsel::readRequestHead(datagram);
    const auto doc = tarsel::parseJsonDocument(datagram);
    if (doc.value && doc.value->is_object() && !head) std::abort();
}

void checkFlatReader(std::string_view datagram) {
    if (!tarsel::unicode::isValidUtf8(datagram)) return;  // refused before either reads
    checkRequestHead(datagram);
    const auto flat = tarsel::readFlatRequest(datagram);
    if (!flat) return;
    if (flat->scan != tarsel::isScanRequest(datagram)) std::abort();
    if (flat->scan && !flat->type) return;  // the bare word, no JSON
    auto doc = tarsel::parseJsonDocument(datagram);
    if (!doc.value || !doc.value->is_object()) std::abort();
    const auto full = tarsel::RequestFields::of(*doc.value);
    if (full.pin != flat->pin || full.type != flat->type || full.val != flat->val ||
        full.dx != flat->dx || full.dy != flat->dy)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarsel::fuzz::setUp();
    // Several addresses, so both the counting and the locked states are reached.
    static tarsel::AgentRequests& requests = *[] {
        auto* r = new tarsel::AgentRequests;
        r->openShortcuts(tarsel::globals().shortcutsDBPath,
                         tarsel::testing::executors().global.get_executor());
        return r;
    }();
    static tarsel::PairingWindow pairing(tarsel::testing::fakes().clock,
                                         tarsel::testing::fakes().timers,
                                         tarsel::testing::fakes().context.get_executor());
    static const tarsel::ServerIdentity identity{"246810", "1.0.16",
                                                 [] { return std::string("192.0.2.1"); }, nullptr};
    tarsel::ConnectionContext ctx{"10.0.0." + std::to_string(size % 4),
                                  static_cast<uint16_t>(size % 3),
                                  "Fuzz|Host",
                                  requests,
                                  pairing,
                                  identity};
    tarsel::testing::FakeConnection io;
    std::string_view datagram(reinterpret_cast<const char*>(data), size);
    checkFlatReader(datagram);
    tarsel::handleDatagram(ctx, io, datagram);
    tarsel::fuzz::settle();
    return 0;
}
