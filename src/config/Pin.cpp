#include "config/Pin.h"

#include <cstdio>

#include "runtime/DamagedCopy.h"
#include "runtime/Files.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/LogText.h"
#include "runtime/SecureRandom.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"

namespace tarsel {
namespace {

struct LoadedConfig {
    std::optional<Json> settings;  // an object, when the file held one
    bool damaged = false;          // read, but not a JSON object
    std::string error;
};

LoadedConfig loadConfig(const std::string& configPath) {
    auto file = files::readAll(configPath);
    if (!file) return {std::nullopt, false, file.error()};
    auto doc = parseJsonDocument(*file);
    if (!doc.value) return {std::nullopt, true, doc.error};
    if (!doc.value->is_object()) return {std::nullopt, true, "not a JSON object"};
    return {std::move(*doc.value), false, ""};
}

// A damaged file is kept aside, as the layout's is, so the user's other
// settings are not lost with it.
void keepDamagedConfig(const std::string& configPath, const std::string& why) {
    auto aside = keepDamagedCopy(configPath);
    if (!aside) {
        logLine(tr("⚠️ [Config] Failed to load config: {1} ({2})", why, aside.error()));
        return;
    }
    logLine(
        tr("⚠️ [Config] the damaged settings file was moved aside; a new PIN is made ({1}): "
           "{2}",
           clipForLog(why), *aside));
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
    bool replace = existed;
    if (existed) {
        auto loaded = loadConfig(configPath);
        if (loaded.settings) {
            config = std::move(*loaded.settings);
        } else if (!loaded.damaged) {
            logLine("⚠️ [Config] Failed to load config: " + loaded.error);
        } else {
            // Moved aside, or (where it could not be) left as it is: never written over.
            keepDamagedConfig(configPath, loaded.error);
            replace = false;
        }
        if (auto pin = storedPIN(config)) {
            logLine("🔑 [Config] Loaded existing PIN from config");
            from = PinSource::stored;
            return *pin;
        }
    }
    from = PinSource::generated;
    auto generated = generatePIN();
    if (!generated) {
        logLine(
            tr("❌ [Config] no secure random numbers: no PIN can be made (every request is "
               "refused)"));
        return "";
    }
    const std::string pin = *generated;
    // The user's other settings stay as they were.
    config["pin"] = pin;
    config["version"] = "1.0";
    // Atomic and private: a crash mid-write must not lose the PIN, and only the
    // user may read it. A first PIN never replaces one that a second copy of
    // the agent, started at the same moment, stored first: both serve that one.
    auto saved = files::writeAtomic(configPath, toCompactJson(config), 0600, replace);
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
    auto config = loadConfig(configPath).settings;
    return config ? storedPIN(*config) : std::nullopt;
}

bool discoveryPinAlways(const std::string& configPath) {
    if (!files::exists(configPath)) return false;
    auto config = loadConfig(configPath).settings;
    if (!config) return false;
    auto it = config->find("discovery_pin");
    return it != config->end() && it->is_string() && it->get<std::string>() == "always";
}

// A port the phone page cannot have (3000 is the phone app's) or a value that
// is no port falls back to the default, with a line.
uint16_t webPort(const std::string& configPath) {
    if (!files::exists(configPath)) return kDefaultWebPort;
    auto config = loadConfig(configPath).settings;
    if (!config || !config->contains("web_port")) return kDefaultWebPort;
    auto port = jsonInteger((*config)["web_port"]);
    if (port && *port >= 0 && *port <= 65535 && *port != 3000) return static_cast<uint16_t>(*port);
    logLine(tr("⚠️ [Web] web_port in config.json is not valid: the default {1} is used",
               kDefaultWebPort));
    return kDefaultWebPort;
}

}  // namespace tarsel
