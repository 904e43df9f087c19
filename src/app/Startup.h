#pragma once
#include <string>
#include <vector>

namespace tarsel {

struct Executors;
class AgentRequests;
class PairingWindow;
class BrowserRemote;

// The start-up sequence up to the event loop; the application object is
// installed. Everything started runs on `executors` and hands the phone's
// requests to `requests`; `pairing` is opened when this start made or was
// given the PIN, and so is browser pairing in `browsers`. All outlive it.
void startUp(const std::vector<std::string>& arguments, Executors& executors,
             AgentRequests& requests, PairingWindow& pairing, BrowserRemote& browsers);

}  // namespace tarsel
