#pragma once
// A time left as the menu and tarselctl show it.
#include <cstdio>
#include <string>

namespace tarsel {

// "m:ss", for instance "1:05"; negative counts as 0.
inline std::string minutesAndSeconds(long long seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", seconds / 60, seconds % 60);
    return text;
}

}  // namespace tarsel
