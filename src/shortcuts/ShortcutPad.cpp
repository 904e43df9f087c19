#include "shortcuts/ShortcutPad.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "runtime/Log.h"
#include "runtime/Text.h"
#include "runtime/Unicode.h"
#include "shortcuts/ShortcutLibrary.h"

namespace tarsel {
namespace {

constexpr std::size_t kMostButtons = 60, kLongestLabel = 40, kLongestCommand = 200;

bool hasControl(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

// A non-empty string without control characters.
std::optional<std::string> field(const Json& item, const char* key) {
    auto it = item.is_object() ? item.find(key) : item.end();
    if (it == item.end() || !it->is_string()) return std::nullopt;
    const auto& text = it->get_ref<const std::string&>();
    if (text.empty() || hasControl(text)) return std::nullopt;
    return text;
}

Json reply(const char* type, const std::string& revision) {
    return {{"type", type}, {"revision", revision}};
}

}  // namespace

std::optional<Json> padButtons(const Json& buttons, std::string& why) {
    if (!buttons.is_array() || buttons.size() > kMostButtons) {
        why = "not a list of at most 60 buttons";
        return std::nullopt;
    }
    Json kept = Json::array();
    for (const auto& item : buttons) {
        auto label = field(item, "label"), command = field(item, "command");
        if (!label || !command || unicode::utf32(*label).size() > kLongestLabel ||
            command->size() > kLongestCommand) {
            why = "a button without a label of 1-40 characters and a command of 1-200 bytes";
            return std::nullopt;
        }
        kept.push_back({{"label", *label}, {"command", *command}});
    }
    return kept;
}

// FNV-1a over the stored text: any change, by a page or by hand, is a new one.
std::string padRevision(const Json& section) {
    uint64_t hash = 14695981039346656037ull;
    for (unsigned char c : section.is_null() ? std::string() : toCompactJson(section))
        hash = (hash ^ c) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string answerPad(ShortcutLibrary& library, const std::string& type, const Json& request) {
    if (type == "fetch_pad") {
        Json section = library.section(kPadSection);
        const std::string revision = padRevision(section);
        Json answer = reply("pad", revision);
        if (request.value("known", "") != revision)
            answer["buttons"] = section.is_array() ? section : Json::array();
        return toCompactJson(answer);
    }
    std::string why;
    auto buttons = padButtons(request.value("buttons", Json()), why);
    const std::string edited = request.value("revision", "");
    if (!buttons) {
        logLine(tr("⚠️ [Web] buttons not saved: {1}", why));
        return toCompactJson(reply("pad_refused", edited));
    }
    if (auto saved = library.replaceSection(kPadSection, edited, *buttons, padRevision)) {
        Json answer = reply("pad", *saved);
        answer["buttons"] = std::move(*buttons);
        return toCompactJson(answer);
    }
    logLine(tr("⚠️ [Web] buttons not saved: another screen changed them first"));
    return toCompactJson(reply("pad_refused", padRevision(library.section(kPadSection))));
}

}  // namespace tarsel
