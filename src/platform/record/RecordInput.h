#pragma once
// Input events as "key", "mouse" and "scroll" lines, with a virtual pointer
// that starts at 500,400 and follows moves, drags and clicks.
#include <memory>
#include <mutex>

#include "platform/InputEvents.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordInput : public InputEvents {
  public:
    explicit RecordInput(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {}
    void postKey(uint16_t keyCode, bool down, uint64_t flags) override;
    void postMouse(int eventType, Point location, int button, int64_t clickState,
                   bool clearFlags) override;
    void postScroll(int32_t pixels) override;
    void postSmoothScroll(double notchesX, double notchesY) override;
    void holdModifiers(uint64_t flags) override;
    Point pointerLocation() override;

  private:
    std::shared_ptr<Recorder> recorder_;
    std::mutex mutex_;
    Point pointer_{500, 400};
};

}  // namespace tarsel
