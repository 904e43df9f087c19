#pragma once
#include <string>
#include <vector>

namespace tarsel {

struct AlertSpec {
    std::string message;
    std::string informative;
    std::vector<std::string> buttons;
    bool warning = false;
};

// What runModal() answers when the alert was closed without a button, or
// could not be shown to anyone.
constexpr int kAlertDismissed = 0;

// Modal alerts, on the main thread. Returns 1000 + index of the chosen button,
// or kAlertDismissed.
class Alerts {
  public:
    virtual ~Alerts() = default;
    virtual int runModal(const AlertSpec& alert) = 0;
};

}  // namespace tarsel
