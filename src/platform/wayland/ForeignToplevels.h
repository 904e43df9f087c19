#pragma once
// The front-most application on wlroots compositors: the app id of the
// toplevel the compositor reports activated (a desktop-file id for GTK and Qt
// applications), kept up to date by its events, never asked for.
#include <map>
#include <memory>
#include <mutex>
#include <string>

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace tarsel {

class WaylandConnection;

class ForeignToplevels {
  public:
    // Null when the compositor offers no foreign-toplevel management.
    static std::shared_ptr<ForeignToplevels> open(std::shared_ptr<WaylandConnection> c);
    ~ForeignToplevels();
    ForeignToplevels(const ForeignToplevels&) = delete;
    ForeignToplevels& operator=(const ForeignToplevels&) = delete;

    std::string frontmost();  // "" for none

    // Events, from the connection's executor.
    void added(zwlr_foreign_toplevel_handle_v1* handle);
    void appId(zwlr_foreign_toplevel_handle_v1* handle, const char* id);
    void activated(zwlr_foreign_toplevel_handle_v1* handle, bool active);
    void done(zwlr_foreign_toplevel_handle_v1* handle);
    void closed(zwlr_foreign_toplevel_handle_v1* handle);

  private:
    struct Toplevel {
        std::string appId;
        bool active = false;
    };
    ForeignToplevels(std::shared_ptr<WaylandConnection> c, zwlr_foreign_toplevel_manager_v1* m)
        : connection_(std::move(c)), manager_(m) {}

    std::shared_ptr<WaylandConnection> connection_;
    zwlr_foreign_toplevel_manager_v1* manager_;
    std::mutex mutex_;
    std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> pending_;  // state before `done`
    std::map<zwlr_foreign_toplevel_handle_v1*, Toplevel> toplevels_;
};

}  // namespace tarsel
