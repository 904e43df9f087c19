// The whole receive path for one datagram: decode, scan test, lockout, JSON,
// PIN, type dispatch and the command hand-over, on the fake platform.
// Commands run inline, so the dispatcher and the input layer see every input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzPlatform.h"
#include "app/AgentRequests.h"
#include "net/Pairing.h"
#include "net/ReceiveLoop.h"

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
    tarsel::ConnectionContext ctx{"10.0.0." + std::to_string(size % 4),
                                  static_cast<uint16_t>(size % 3), "Fuzz|Host", requests, pairing};
    tarsel::testing::FakeConnection io;
    std::string_view datagram(reinterpret_cast<const char*>(data), size);
    tarsel::handleDatagram(ctx, io, datagram);
    tarsel::fuzz::settle();
    return 0;
}
