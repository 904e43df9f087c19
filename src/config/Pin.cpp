#include "config/Pin.h"

#include <cstdio>

#include "runtime/Files.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/SecureRandom.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

// The stored settings as an object; nothing (after a line) when the file
// cannot be read or parsed, an empty object when it holds no object.
std::optional<Json> loadConfig(const std::string& configPath, bool logFailure) {
    auto file = files::readAll(configPath);
    if (!file) {
        if (logFailure) logLine("⚠️ [Config] Failed to load config: " + file.error());
        return std::nullopt;
    }
    auto doc = parseJsonDocument(*file);
    if (!doc.value) {
        if (logFailure) logLine("⚠️ [Config] Failed to load config: " + doc.error);
        return std::nullopt;
    }
    return doc.value->is_object() ? std::move(*doc.value) : Json::object();
}

std::optional<std::string> storedPIN(const Json& config) {
    auto it = config.find("pin");
    if (it == config.end() || !it->is_string()) return std::nullopt;
    std::string pin = it->get<std::string>();
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
                            const std::string& configPath, PinSource* source) {
    PinSource ignored;
    PinSource& from = source ? *source : ignored;
    if (!arguments.empty()) {
        logLine("🔑 [Static PIN Mode] Using custom PIN from command-line");
        from = PinSource::commandLine;
        return arguments.front();
    }
    Json config = Json::object();
    const bool existed = files::exists(configPath);
    if (existed) {
        if (auto loaded = loadConfig(configPath, true)) config = std::move(*loaded);
        if (auto pin = storedPIN(config)) {
            logLine("🔑 [Config] Loaded existing PIN from config");
            from = PinSource::stored;
            return *pin;
        }
    }
    from = PinSource::generated;
    auto generated = generatePIN();
    if (!generated) {
        logLine("❌ [Config] 보안 난수를 얻지 못해 PIN을 만들 수 없습니다 (모든 요청 거부)");
        return "";
    }
    const std::string pin = *generated;
    // The user's other settings stay as they were.
    config["pin"] = pin;
    config["version"] = "1.0";
    // Atomic and private: a crash mid-write must not lose the PIN, and only the
    // user may read it. A first PIN never replaces one that a second copy of
    // the agent, started at the same moment, stored first: both serve that one.
    auto saved = files::writeAtomic(configPath, toCompactJson(config), 0600, existed);
    if (!saved && saved.error() == files::kAlreadyThere) {
        if (auto stored = readStoredPIN(configPath)) {
            logLine("🔑 [Config] Loaded existing PIN from config");
            from = PinSource::stored;
            return *stored;
        }
    }
    if (saved)
        logLine("🎲 [Config] Generated and saved new PIN (6 digits)");
    else
        logLine("⚠️ [Config] Failed to save PIN: " + saved.error());
    return pin;
}

std::optional<std::string> readStoredPIN(const std::string& configPath) {
    auto config = loadConfig(configPath, false);
    return config ? storedPIN(*config) : std::nullopt;
}

bool discoveryPinAlways(const std::string& configPath) {
    if (!files::exists(configPath)) return false;
    auto config = loadConfig(configPath, false);
    if (!config) return false;
    auto it = config->find("discovery_pin");
    return it != config->end() && it->is_string() && it->get<std::string>() == "always";
}

}  // namespace tarsel
