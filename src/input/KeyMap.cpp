#include "input/KeyMap.h"

namespace tarsel::KeyMapProcessor {

void handleCommand(const std::string&, std::optional<int64_t>, const std::optional<Json>&) {}
void mouseDown() {}
void mouseUp() {}
void pasteText(const std::string&) {}

}  // namespace tarsel::KeyMapProcessor
