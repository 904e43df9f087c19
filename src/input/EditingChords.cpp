#include "input/EditingChords.h"

namespace tarsel::KeyMapProcessor {
namespace {

constexpr KeyCode kC = 8;
constexpr KeyCode kV = 9;
constexpr KeyCode kInsert = 114;  // the Help key's place

}  // namespace

std::optional<Chord> copyChord(EditingKeys keys) {
    switch (keys) {
        case EditingKeys::standard:
            return Chord{kC, flag::command};
        case EditingKeys::terminal:
            return Chord{kC, flag::command | flag::shift};
        case EditingKeys::bareTerminal:
            break;  // Control-Shift-C is an interrupt there
    }
    return std::nullopt;
}

Chord pasteChord(EditingKeys keys) {
    switch (keys) {
        case EditingKeys::standard:
            return {kV, flag::command};
        case EditingKeys::terminal:
            return {kV, flag::command | flag::shift};
        case EditingKeys::bareTerminal:
            break;
    }
    return {kInsert, flag::shift};  // the primary selection, the xterm way
}

// Shift-Insert is the one chord every terminal takes (the VTE widget and
// xterm alike); it pastes the primary selection, so only where that is set:
// an older selection pasted into a shell, then Enter, would run it.
Chord textPasteChord(EditingKeys keys, bool primarySet) {
    if (keys == EditingKeys::standard) return {kV, flag::command};
    if (primarySet) return {kInsert, flag::shift};
    return {kV, flag::command | flag::shift};
}

}  // namespace tarsel::KeyMapProcessor
