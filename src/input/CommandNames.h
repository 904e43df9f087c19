#pragma once
// The command names the phone and tarselctl can send, by family, and whether
// a word is one of them. Compiled into the agent and into tarselctl, so the
// list tarselctl prints is the list the agent knows.
#include <string>
#include <vector>

namespace tarsel {

struct CommandFamily {
    const char* title;
    std::vector<const char*> names;
};

const std::vector<CommandFamily>& commandFamilies();

// A named command, a key name ("f5", "space"), a chord ("ctrl+c") or a key
// code; anything else the agent would type as text.
bool isCommand(const std::string& word);

// The known names closest to `word` (by edit distance, at most `count`),
// nearest first.
std::vector<std::string> closestCommands(const std::string& word, std::size_t count = 3);

}  // namespace tarsel
