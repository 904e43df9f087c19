#pragma once
// The commands that talk to the agent on this computer through its control
// socket: pairing, the paired browsers and paused input.
#include <string>
#include <vector>

namespace tarselctl {

struct LocalOptions {
    double seconds;  // the time left for the whole command
    bool close = false, app = false, all = false;
    std::string approve, deny;
    std::vector<std::string> words;  // after the command
};

int pairCommand(const LocalOptions& o);
int webCommand(const LocalOptions& o);
int showCommand(const LocalOptions& o);
int inputCommand(const LocalOptions& o);

}  // namespace tarselctl
