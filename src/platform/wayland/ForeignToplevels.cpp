#include "platform/wayland/ForeignToplevels.h"

#include <wayland-client.h>

#include "platform/wayland/WaylandConnection.h"
#include "wlr-foreign-toplevel-management-unstable-v1.h"

namespace tarsel {
namespace {

using Handle = zwlr_foreign_toplevel_handle_v1;

ForeignToplevels* self(void* data) {
    return static_cast<ForeignToplevels*>(data);
}

bool hasActivated(wl_array* states) {
    const auto* begin = static_cast<const uint32_t*>(states->data);
    const auto* end = begin + states->size / sizeof(uint32_t);
    for (const auto* s = begin; s != end; ++s)
        if (*s == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) return true;
    return false;
}

const zwlr_foreign_toplevel_handle_v1_listener kHandleListener = {
    [](void*, Handle*, const char*) {},  // title
    [](void* data, Handle* h, const char* id) { self(data)->appId(h, id); },
    [](void*, Handle*, wl_output*) {},  // output_enter
    [](void*, Handle*, wl_output*) {},  // output_leave
    [](void* data, Handle* h, wl_array* states) { self(data)->activated(h, hasActivated(states)); },
    [](void* data, Handle* h) { self(data)->done(h); },
    [](void* data, Handle* h) { self(data)->closed(h); },
    [](void*, Handle*, Handle*) {},  // parent
};

const zwlr_foreign_toplevel_manager_v1_listener kManagerListener = {
    [](void* data, zwlr_foreign_toplevel_manager_v1*, Handle* h) { self(data)->added(h); },
    [](void*, zwlr_foreign_toplevel_manager_v1*) {},  // finished
};

}  // namespace

std::shared_ptr<ForeignToplevels> ForeignToplevels::open(std::shared_ptr<WaylandConnection> c) {
    auto* manager = static_cast<zwlr_foreign_toplevel_manager_v1*>(
        c->bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
    if (!manager) return nullptr;
    std::shared_ptr<ForeignToplevels> t(new ForeignToplevels(std::move(c), manager));
    zwlr_foreign_toplevel_manager_v1_add_listener(manager, &kManagerListener, t.get());
    return t;
}

ForeignToplevels::~ForeignToplevels() {
    std::lock_guard lock(mutex_);
    for (auto& [handle, toplevel] : toplevels_) zwlr_foreign_toplevel_handle_v1_destroy(handle);
    zwlr_foreign_toplevel_manager_v1_destroy(manager_);
    connection_->flush();
}

std::string ForeignToplevels::frontmost() {
    std::lock_guard lock(mutex_);
    for (const auto& [handle, toplevel] : toplevels_)
        if (toplevel.active) return toplevel.appId;
    return "";
}

void ForeignToplevels::added(Handle* handle) {
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandleListener, this);
    std::lock_guard lock(mutex_);
    toplevels_[handle];
    pending_[handle];
}

void ForeignToplevels::appId(Handle* handle, const char* id) {
    std::lock_guard lock(mutex_);
    pending_[handle].appId = id;
}

void ForeignToplevels::activated(Handle* handle, bool active) {
    std::lock_guard lock(mutex_);
    pending_[handle].active = active;
}

// A toplevel's changes take effect together, at its `done`.
void ForeignToplevels::done(Handle* handle) {
    std::lock_guard lock(mutex_);
    auto it = pending_.find(handle);
    if (it == pending_.end()) return;
    toplevels_[handle] = it->second;
}

void ForeignToplevels::closed(Handle* handle) {
    std::lock_guard lock(mutex_);
    pending_.erase(handle);
    toplevels_.erase(handle);
    zwlr_foreign_toplevel_handle_v1_destroy(handle);
}

}  // namespace tarsel
