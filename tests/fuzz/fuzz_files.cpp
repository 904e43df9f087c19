// The readers of the agent's own files: whatever the input, as config.json it
// gives a PIN (stored or new) and the discovery setting, and as
// shortcuts_db.json a layout whose every chunk parses, or a damaged file set
// aside. Nothing may throw, hang or grow without bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzPlatform.h"
#include "config/Pin.h"
#include "runtime/Files.h"
#include "runtime/Json.h"
#include "shortcuts/ShortcutLibrary.h"

namespace {

void writeFile(const std::string& path, const std::string& text) {
    if (!tarsel::files::writeAtomic(path, text, 0600)) __builtin_trap();
}

void config(const std::string& text) {
    const std::string path = tarsel::files::join(tarsel::globals().appSupportDir, "config.json");
    writeFile(path, text);
    tarsel::PinSource source{};
    std::string pin = tarsel::loadOrCreatePIN({}, path, &source);
    if (pin.empty()) __builtin_trap();  // the random source works here
    (void)tarsel::discoveryPinAlways(path);
}

void layout(const std::string& text) {
    const std::string& path = tarsel::globals().shortcutsDBPath;
    writeFile(path, text);
    tarsel::ShortcutLibrary library(path, tarsel::testing::fakes().context.get_executor());
    for (const std::string& chunk : library.responses())
        if (!tarsel::parseJsonDocument(chunk).value) __builtin_trap();
    library.saveBatch(tarsel::Json{{"user", tarsel::Json::array({{{"k", 1}}})}});
    library.flush();
    tarsel::fuzz::settle();  // the writer's turn, while the library still lives
}

}  // namespace

// The first byte picks the file: even = config.json, odd = shortcuts_db.json.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return tarsel::fuzz::byFirstByte(data, size, config, layout);
}
