#pragma once
// One set of threads for a whole test binary, never joined, as in the agent.
#include "runtime/Queues.h"

namespace tarsel::testing {

inline Executors& executors() {
    static auto* e = new Executors;
    return *e;
}

}  // namespace tarsel::testing
