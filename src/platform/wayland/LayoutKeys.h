#pragma once
// Which key of a keyboard layout types a character: its evdev code and the
// Shift or third-level (AltGr) key held with it. Built from the compositor's
// own keymap, so a German or French layout types its own characters right.
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>

namespace tarsel {

struct LayoutKey {
    int evdev = 0;
    bool shift = false;
    bool level3 = false;
};

class LayoutKeys {
  public:
    // From the keymap text a compositor sends; nullopt if it does not compile.
    static std::optional<LayoutKeys> fromText(std::string_view keymap);
    // From XKB rule names ("us", "de"…).
    static std::optional<LayoutKeys> fromNames(const char* layout, const char* variant = "");

    // The first layout's key for `c` with the fewest modifiers; a line break
    // is the Return key.
    std::optional<LayoutKey> find(char32_t c) const;
    // The key that selects the third level (ISO_Level3_Shift), 0 if none.
    int level3Key() const { return level3Key_; }

  private:
    std::unordered_map<char32_t, LayoutKey> keys_;
    int level3Key_ = 0;
    friend struct LayoutScan;
};

}  // namespace tarsel
