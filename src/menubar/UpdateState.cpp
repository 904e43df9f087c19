#include "menubar/UpdateState.h"

namespace tarsel {

const char* toString(UpdateState state) {
    switch (state) {
        case UpdateState::idle:
            return "idle";
        case UpdateState::downloading:
            return "downloading";
        case UpdateState::verifying:
            return "verifying";
        case UpdateState::installing:
            return "installing";
        case UpdateState::failed:
            return "failed";
    }
    return "idle";
}

}  // namespace tarsel
