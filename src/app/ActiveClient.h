#pragma once
// The last phone that proved the PIN, for the menu's connected state.
#include <optional>
#include <string>

#include "app/Globals.h"

namespace tarsel {

void recordClient(const std::string& ip);
// The last client, while it was seen within 30 seconds.
std::optional<ClientRecord> getActiveClient();

}  // namespace tarsel
