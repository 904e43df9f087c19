#pragma once
#include <string>
#include <vector>

namespace tarsel {

struct Executors;

// The start-up sequence up to the event loop; the application object is
// installed. Everything started runs on `executors`, which outlive it.
void startUp(const std::vector<std::string>& arguments, Executors& executors);

}  // namespace tarsel
