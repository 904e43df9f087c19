#include "net/RequestLines.h"

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {

RequestLines::RequestLines(const Clock& clock)
    : limiter_(clock, {20.0, 20.0, 100.0, 200.0, 4096}), dropped_(clock, 10.0, [](std::size_t n) {
          return tr("⚠️ log lines left out because requests wrote too many: {1}", n);
      }) {}

bool RequestLines::allow(const std::string& origin) {
    if (limiter_.allow(origin)) return true;
    LogOrigin none("");  // the count's own line is the agent's, not the request's
    dropped_.count();
    return false;
}

void RequestLines::install() {
    static RequestLines* lines = new RequestLines();
    Logger::instance().setGate([](const std::string& origin) { return lines->allow(origin); });
}

}  // namespace tarsel
