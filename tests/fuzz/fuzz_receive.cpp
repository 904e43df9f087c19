// The whole receive path for one datagram: decode, scan test, lockout, JSON,
// PIN, type dispatch and the command hand-over, on the fake platform.
// Commands run inline, so the dispatcher and the input layer see every input.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "FuzzPlatform.h"
#include "app/AgentRequests.h"
#include "net/ReceiveLoop.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tarsel::fuzz::setUp();
    // Several addresses, so both the counting and the locked states are reached.
    static tarsel::AgentRequests requests;
    tarsel::ConnectionContext ctx{"10.0.0." + std::to_string(size % 4), "Fuzz|Host", requests};
    tarsel::testing::FakeConnection io;
    std::string_view datagram(reinterpret_cast<const char*>(data), size);
    tarsel::handleDatagram(ctx, io, datagram);
    tarsel::fuzz::settle();
    return 0;
}
