#pragma once
// macOS virtual key codes and modifier flags translated into X11 key chords:
// a keysym per key (resolved against the current layout by X11Input, with the
// key's evdev position as the fallback), Command as Control, and a short table
// of whole chords where Linux desktops use other chords than macOS.
#include <X11/X.h>

#include <cstdint>
#include <optional>

namespace tarsel::x11keys {

enum Modifier : unsigned { ctrl = 1, shift = 2, alt = 4, super = 8 };

struct MacKey {
    uint16_t mac;
    KeySym keysym;
    int evdev;  // Linux input key code of the same physical key; 0 for none
};

struct Chord {
    KeySym keysym = NoSymbol;
    int evdev = 0;
    unsigned modifiers = 0;  // Modifier bits
};

std::optional<MacKey> macKey(uint16_t code);
// The X11 chord for one key event of `code` carrying `flags`; none when the
// key has no X11 equivalent (the Function key).
std::optional<Chord> translate(uint16_t code, uint64_t flags);
// The modifiers (ctrl, shift, alt, super) that event flags stand for.
unsigned modifiersFor(uint64_t flags);

}  // namespace tarsel::x11keys
