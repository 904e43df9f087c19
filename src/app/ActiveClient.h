#pragma once
// The last phone that proved the PIN (or a browser its key), for the menu's connected state.
#include <optional>
#include <string>

#include "app/Globals.h"

namespace tarsel {

// `name` is a paired browser's, "" for the phone app.
void recordClient(const std::string& ip, const std::string& name = "");
// The last client, while it was seen within 30 seconds.
std::optional<ClientRecord> getActiveClient();

}  // namespace tarsel
