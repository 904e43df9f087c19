#include "app/ControlRequests.h"

#include "app/Globals.h"
#include "net/Pairing.h"
#include "runtime/Json.h"
#include "runtime/LocalControl.h"
#include "runtime/Log.h"

namespace tarsel {

std::string answerControl(std::string_view request, PairingWindow& pairing,
                          const std::string& pin) {
    if (request == "pair") {
        pairing.open(PairingWindow::kOnRequestSeconds);
        return toCompactJson({{"pin", pin}, {"seconds_left", pairing.secondsLeft().value_or(0)}});
    }
    if (request == "pair --close") {
        pairing.close();
        return toCompactJson({{"closed", true}});
    }
    return toCompactJson({{"error", "unknown request"}});
}

void startControlSocket(asio::thread_pool& pool, PairingWindow& pairing) {
    auto served = prepareControlSocket().and_then([&](const std::string& path) {
        return serveControl(pool, path, [&pairing](std::string_view request) {
            return answerControl(request, pairing, globals().serverPIN);
        });
    });
    if (!served)
        logLine("⚠️ [Control] 로컬 제어 소켓을 열 수 없습니다: " + served.error());
}

}  // namespace tarsel
