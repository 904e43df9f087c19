#pragma once
#include <string>
#include <vector>

namespace tarsel {

// The start-up sequence up to the event loop; the application object is installed.
void startUp(const std::vector<std::string>& arguments);

}  // namespace tarsel
