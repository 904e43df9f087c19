#pragma once
// One fake application object for the whole input binary: the input queues
// and their timers outlive a single test.
#include <gtest/gtest.h>

#include "FakePlatform.h"

namespace tarsel::testing {

inline FakePlatform& fakes() {
    static auto* platform = [] {
        auto* p = new FakePlatform();
        KeyMapProcessor::installQueues(p->context.get_executor(), p->timers, p->clock);
        return p;
    }();
    return *platform;
}

// Runs everything the input queues were given, holds and pauses included.
inline void settle() {
    fakes().timers.drain(fakes().context);
}

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fakes();
        settle();
        journal().clear();
        fakes().workspace->front = "";
        fakes().input->at = {500, 400};
        fakes().clock.advance(10);  // no click series carries over between tests
    }
    Journal& journal() { return fakes().journal; }
    // Everything the actions queued so far, once it has all happened.
    std::vector<std::string> effects() {
        settle();
        return journal().all();
    }
};

}  // namespace tarsel::testing
