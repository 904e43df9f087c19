// The key-combination parser and the shortcut store. The first byte picks the
// target: even = a command for the combination parser and the universal key
// path, odd = a sync batch saved to the store and then served back.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzPlatform.h"
#include "input/KeyMap.h"
#include "input/KeyTable.h"
#include "runtime/Json.h"
#include "shortcuts/ShortcutResponses.h"
#include "shortcuts/ShortcutStore.h"

namespace KMP = tarsel::KeyMapProcessor;

namespace {

void combination(const std::string& command) {
    auto first = KMP::parseCombination(command);
    auto again = KMP::parseCombination(command);
    if (first.kind != again.kind || first.keyCode != again.keyCode ||
        first.modifiers != again.modifiers)
        __builtin_trap();  // parsing must not depend on anything but the text
    KMP::handleUniversalKey(command);
}

void store(const std::string& text) {
    auto doc = tarsel::parseJsonDocument(text);
    if (!doc.value || !doc.value->is_object()) return;
    tarsel::Json batch = tarsel::Json::object();
    for (auto& [key, value] : doc.value->items())
        if (value.is_array()) batch[key] = value;
    if (batch.empty()) return;
    tarsel::saveShortcutsBatch(tarsel::globals().shortcutsDBPath, batch);
    for (const std::string& chunk :
         tarsel::buildShortcutsResponses(tarsel::globals().shortcutsDBPath)) {
        auto back = tarsel::parseJsonDocument(chunk);
        if (!back.value) __builtin_trap();  // every chunk the phone gets must parse
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return tarsel::fuzz::byFirstByte(data, size, combination, store);
}
