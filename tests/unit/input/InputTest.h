#pragma once
// The fixture of the input tests: a clean journal, no front-most application
// and a fresh click series.
#include <gtest/gtest.h>

#include "FakePlatform.h"

namespace tarsel::testing {

class InputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        settle();
        journal().clear();
        fakes().workspace->front = "";
        fakes().workspace->keys = EditingKeys::standard;
        fakes().clipboard->primary = false;
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
