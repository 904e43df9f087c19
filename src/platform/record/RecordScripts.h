#pragma once
// AppleScript runs as "script" lines, source unchanged.
#include <memory>

#include "platform/Scripts.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordScripts : public Scripts {
  public:
    explicit RecordScripts(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {}
    void run(const std::string& source) override {
        recorder_->write("script", {{"source", source}});
    }

  private:
    std::shared_ptr<Recorder> recorder_;
};

}  // namespace tarsel
