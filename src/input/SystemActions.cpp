// Screenshots, sound, applications and the local-player test.
#include <array>
#include <vector>

#include "input/InputQueues.h"
#include "input/KeyMap.h"
#include "input/MainThread.h"
#include "platform/Platform.h"

namespace tarsel::KeyMapProcessor {
namespace {

struct TimedKey {
    double at;  // seconds from the start of the sequence
    KeyCode code;
    bool down;
};

// Modifier downs, the key with its hold, modifier ups in reverse: the same
// slots and pauses whatever the platform's chord is.
std::vector<TimedKey> screenshotTimeline(const KeySequence& keys) {
    std::vector<TimedKey> out;
    const std::array<double, 2> downAt{0.0, 0.02};
    const std::array<double, 2> upAt{0.15, 0.13};
    for (std::size_t i = 0; i < keys.modifierKeys.size() && i < 2; ++i)
        out.push_back({downAt[i], keys.modifierKeys[i], true});
    out.push_back({0.04, keys.key, true});
    out.push_back({0.11, keys.key, false});
    for (std::size_t i = keys.modifierKeys.size() > 2 ? 2 : keys.modifierKeys.size(); i-- > 0;)
        out.push_back({upAt[i], keys.modifierKeys[i], false});
    return out;
}

asio::awaitable<void> postTimeline(std::vector<TimedKey> events) {
    double now = 0.0;
    for (const TimedKey& k : events) {
        co_await keyQueue().pause(Seconds(k.at - now));
        now = k.at;
        platform().input->postKey(k.code, k.down, 0);
    }
}

}  // namespace

// A sequence of the key queue: no other key lands while its modifiers are held.
void takeScreenshot(const std::string& mode) {
    auto keys = platform().input->screenshotKeys(mode == "part");
    auto events = screenshotTimeline(keys);
    auto waiting = backlog().claim(0, events.empty() ? 0.0 : events.back().at);
    if (!waiting) return;
    keyQueue().sequence([events = std::move(events), waiting = std::move(*waiting)] {
        return postTimeline(events);
    });
}

void setVolume(int64_t adjust) {
    runScript(adjust > 0 ? "set volume output volume (output volume of (get volume settings) + 5)"
                         : "set volume output volume (output volume of (get volume settings) - 5)");
}

void setMute() {
    runScript("set volume output muted not (output muted of (get volume settings))");
}

bool isLocalMediaPlayer(const std::string& bundleId) {
    for (const char* marker :
         {"videolan", "vlc", "iina", "colliderli", "mpv", "quicktime", "elmedia", "movist"})
        if (bundleId.find(marker) != std::string::npos) return true;
    return false;
}

void openApp(const std::string& bundleId) {
    platform().workspace->openTool({"-b", bundleId});
}

void openBrowser(const std::string& bundleId) {
    if (!platform().workspace->isApplicationInstalled(bundleId)) return;
    openApp(bundleId);
}

}  // namespace tarsel::KeyMapProcessor
