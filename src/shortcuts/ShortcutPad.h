#pragma once
// The browser remote's own buttons: the `web` section of the layout, a list of
// {label, command} edited whole on the page. Each save names the revision it
// edited (a digest of the section as stored), so a page that edited an older
// list is refused instead of undoing another page's change.
#include <optional>
#include <string>

#include "runtime/Json.h"

namespace tarsel {

class ShortcutLibrary;

inline constexpr const char* kPadSection = "web";

// The buttons as stored, where `buttons` is a list the page may store: at most
// 60, each a label of 1–40 characters and a command of 1–200 bytes, without
// control characters. Otherwise nothing, and `why` says what is wrong.
std::optional<Json> padButtons(const Json& buttons, std::string& why);
// The revision of a stored section (null: none yet).
std::string padRevision(const Json& section);
// The answer to "fetch_pad" ({"known": revision} skips an unchanged list) and
// "save_pad" ({"revision", "buttons"}), as one message.
std::string answerPad(ShortcutLibrary& library, const std::string& type, const Json& request);

}  // namespace tarsel
