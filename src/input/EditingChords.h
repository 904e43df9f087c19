#pragma once
// The copy and paste chords the front-most application takes: Command-C/V,
// or in a terminal the chords that neither interrupt nor insert literally.
#include <optional>

#include "input/KeyMap.h"
#include "platform/Workspace.h"

namespace tarsel::KeyMapProcessor {

struct Chord {
    KeyCode key;
    EventFlags modifiers;
};

// The "copy" command; none where every chord would reach the program.
std::optional<Chord> copyChord(EditingKeys keys);
// The "paste" command: what the clipboard holds.
Chord pasteChord(EditingKeys keys);
// A text's paste, `primarySet` when the primary selection holds it too.
Chord textPasteChord(EditingKeys keys, bool primarySet);

}  // namespace tarsel::KeyMapProcessor
