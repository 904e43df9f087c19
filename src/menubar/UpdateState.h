#pragma once

namespace tarsel {

// State of the self-update. `failed` behaves exactly like `idle` everywhere.
enum class UpdateState { idle, downloading, verifying, installing, failed };

const char* toString(UpdateState state);

}  // namespace tarsel
