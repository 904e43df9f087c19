#pragma once
// The clipboard as "clipboard" lines; it keeps the last text for reading back.
#include <memory>
#include <mutex>

#include "platform/Clipboard.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordClipboard : public Clipboard {
  public:
    explicit RecordClipboard(std::shared_ptr<Recorder> recorder) : recorder_(std::move(recorder)) {}
    void setText(const std::string& utf8) override;
    std::string text() override;

  private:
    std::shared_ptr<Recorder> recorder_;
    std::mutex mutex_;
    std::string text_;
};

}  // namespace tarsel
