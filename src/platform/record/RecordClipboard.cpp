#include "platform/record/RecordClipboard.h"

namespace tarsel {

void RecordClipboard::setText(const std::string& utf8) {
    {
        std::lock_guard lock(mutex_);
        text_ = utf8;
    }
    recorder_->write("clipboard", {{"text", utf8}});
}

std::string RecordClipboard::text() {
    std::lock_guard lock(mutex_);
    return text_;
}

}  // namespace tarsel
