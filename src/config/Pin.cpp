#include "config/Pin.h"

#include <cstdio>

#include "runtime/Files.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/SecureRandom.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

std::optional<std::string> loadStoredPIN(const std::string& configPath) {
    auto file = files::readAll(configPath);
    if (!file) {
        logLine("⚠️ [Config] Failed to load config: " + file.error());
        return std::nullopt;
    }
    auto doc = parseJsonDocument(*file);
    if (!doc.value) {
        logLine("⚠️ [Config] Failed to load config: " + doc.error);
        return std::nullopt;
    }
    const Json& v = *doc.value;
    if (!v.is_object() || !v.contains("pin") || !v["pin"].is_string()) return std::nullopt;
    std::string pin = v["pin"].get<std::string>();
    if (!isValidStoredPIN(pin)) return std::nullopt;
    return pin;
}

}  // namespace

bool isValidStoredPIN(const std::string& pin) {
    return unicode::isValidUtf8(pin) && unicode::graphemeCount(pin) == 6 &&
           unicode::allNumeric(pin);
}

std::optional<std::string> generatePIN() {
    auto draw = secureRandomBelow(1000000);
    if (!draw) return std::nullopt;
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06u", *draw);
    return std::string(buf);
}

std::string loadOrCreatePIN(const std::vector<std::string>& arguments,
                            const std::string& configPath) {
    if (!arguments.empty()) {
        logLine("🔑 [Static PIN Mode] Using custom PIN from command-line");
        return arguments.front();
    }
    if (files::exists(configPath)) {
        if (auto pin = loadStoredPIN(configPath)) {
            logLine("🔑 [Config] Loaded existing PIN from config");
            return *pin;
        }
    }
    auto generated = generatePIN();
    if (!generated) {
        logLine("❌ [Config] 보안 난수를 얻지 못해 PIN을 만들 수 없습니다 (모든 요청 거부)");
        return "";
    }
    const std::string pin = *generated;
    Json config = {{"pin", pin}, {"version", "1.0"}};
    // Atomic and private: a crash mid-write must not lose the PIN, and only the
    // user may read it.
    if (auto saved = files::writeAtomic(configPath, toCompactJson(config), 0600))
        logLine("🎲 [Config] Generated and saved new PIN (6 digits)");
    else
        logLine("⚠️ [Config] Failed to save PIN: " + saved.error());
    return pin;
}

}  // namespace tarsel
