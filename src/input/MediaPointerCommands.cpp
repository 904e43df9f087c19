// Playback keys that follow the front-most application, and pointer commands.
#include "input/CommandFamilies.h"
#include "input/KeyMap.h"
#include "platform/Platform.h"
#include "runtime/Unicode.h"

namespace tarsel::KeyMapProcessor {
namespace {

std::string frontApplicationId() {
    return unicode::toLower(platform().workspace->frontmostApplicationId());
}

bool contains(const std::string& s, const char* part) {
    return s.find(part) != std::string::npos;
}

bool frontIsVlc() {
    std::string id = frontApplicationId();
    if (contains(id, "videolan")) return true;
    return contains(id, "vlc");
}

// "prev_video"/"next_video" look the application up again before "vlc".
bool frontIsVlcLookingTwice() {
    if (contains(frontApplicationId(), "videolan")) return true;
    return contains(frontApplicationId(), "vlc");
}

void move(const std::optional<PointerDelta>& extra) {
    if (extra && extra->dx && extra->dy) moveMouse(*extra->dx, *extra->dy);
}

void scroll(const std::optional<PointerDelta>& extra) {
    if (!extra || !extra->dy) return;
    const int64_t dy = *extra->dy;
    if (dy == 100)
        pressKey(126, 0);
    else if (dy == -100)
        pressKey(125, 0);
    else
        scrollMouse(dy);
}

// Notches on both axes, fractions kept by the backend: the browser's touchpad.
void smoothScroll(const std::optional<PointerDelta>& extra) {
    if (extra && (extra->x || extra->y))
        smoothScrollMouse(extra->x.value_or(0), extra->y.value_or(0));
}

bool runPlayback(const std::string& name) {
    if (name == "play" || name == "pause" || name == "play_pause") {
        if (isLocalMediaPlayer(frontApplicationId()))
            pressKey(49, 0);
        else
            clickMouse(0);
    } else if (name == "fullscreen") {
        pressKey(3, frontIsVlc() ? flag::command : 0);
    } else if (name == "rewind_5" || name == "rewind_10") {
        pressKey(123, frontIsVlc() ? flag::command : 0);
    } else if (name == "forward_5" || name == "forward_10") {
        pressKey(124, frontIsVlc() ? flag::command : 0);
    } else if (name == "prev_video") {
        pressKey(35, frontIsVlcLookingTwice() ? 0 : flag::shift);
    } else if (name == "next_video") {
        pressKey(45, frontIsVlcLookingTwice() ? 0 : flag::shift);
    } else if (name == "rewind" || name == "left") {
        pressKey(123, 0);
    } else if (name == "fast_forward" || name == "right") {
        pressKey(124, 0);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool runMediaPointerCommand(const std::string& name, const std::optional<PointerDelta>& extra) {
    if (runPlayback(name)) return true;
    if (name == "click")
        clickMouse(0);
    else if (name == "right_click")
        clickMouse(1);
    else if (name == "middle_click")
        clickMouse(2);
    else if (name == "move")
        move(extra);
    else if (name == "scroll")
        scroll(extra);
    else if (name == "smooth_scroll")
        smoothScroll(extra);
    else
        return false;
    return true;
}

}  // namespace tarsel::KeyMapProcessor
