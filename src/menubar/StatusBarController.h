#pragma once
#include <atomic>

namespace tarsel {

class StatusBarController {
public:
    static StatusBarController& shared();
    void install();
    std::atomic<bool> isUpdateRestart{false};
};

}  // namespace tarsel
