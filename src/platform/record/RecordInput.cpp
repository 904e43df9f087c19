#include "platform/record/RecordInput.h"

namespace tarsel {

void RecordInput::postKey(uint16_t keyCode, bool down, uint64_t flags) {
    recorder_->write("key", {{"code", keyCode}, {"down", down}, {"flags", flags}});
}

void RecordInput::postMouse(int eventType, Point location, int button, int64_t clickState,
                            bool /*clearFlags*/) {
    {
        std::lock_guard lock(mutex_);
        pointer_ = location;
    }
    recorder_->writeMouse(eventType, location.x, location.y, button, clickState);
}

void RecordInput::postScroll(int32_t pixels) {
    recorder_->write("scroll", {{"amount", pixels}});
}

void RecordInput::postSmoothScroll(double notchesX, double notchesY) {
    recorder_->write("smooth_scroll", {{"x", notchesX}, {"y", notchesY}});
}

void RecordInput::holdModifiers(uint64_t flags) {
    recorder_->write("modifiers", {{"flags", flags}});
}

Point RecordInput::pointerLocation() {
    std::lock_guard lock(mutex_);
    return pointer_;
}

}  // namespace tarsel
