#pragma once
// The network layer's requests, carried out by the input subsystem and the
// shortcut library.
#include <asio/any_io_executor.hpp>
#include <memory>

#include "net/CommandHandOver.h"
#include "shortcuts/ShortcutLibrary.h"

namespace tarsel {

class AgentRequests : public RequestHandler {
  public:
    // Start-up, before the server: reads the layout at `path`; saves run on `writer`.
    void openShortcuts(const std::string& path, const asio::any_io_executor& writer);
    // The orderly end: the layout's last syncs go to disk.
    void flushShortcuts();

    void command(const std::string& name, std::optional<int64_t> val,
                 const std::optional<PointerDelta>& extra) override;
    void mousePress() override;
    void mouseRelease() override;
    void text(const std::string& text) override;
    std::vector<std::string> fetchShortcuts() override;
    void syncShortcuts(Json batch) override;
    std::string pad(const std::string& type, const Json& request) override;
    Backlog& backlog() override;

  private:
    std::unique_ptr<ShortcutLibrary> shortcuts_;
};

}  // namespace tarsel
