#pragma once
#include <string>
#include <vector>

namespace tarsel {

struct Executors;
class RequestHandler;

// The start-up sequence up to the event loop; the application object is
// installed. Everything started runs on `executors` and hands the phone's
// requests to `requests`; both outlive it.
void startUp(const std::vector<std::string>& arguments, Executors& executors,
             RequestHandler& requests);

}  // namespace tarsel
