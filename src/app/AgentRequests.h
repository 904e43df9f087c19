#pragma once
// The network layer's requests, carried out by the input subsystem and the
// shortcut store.
#include "net/CommandHandOver.h"

namespace tarsel {

class AgentRequests : public RequestHandler {
  public:
    void command(const std::string& name, std::optional<int64_t> val,
                 const std::optional<PointerDelta>& extra) override;
    void mousePress() override;
    void mouseRelease() override;
    void text(const std::string& text) override;
    std::vector<std::string> fetchShortcuts() override;
    void syncShortcuts(const Json& batch) override;
};

}  // namespace tarsel
