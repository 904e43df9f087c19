#pragma once
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tarsel {

struct MenuItem {
    std::string title;
    bool enabled = true;
    bool separator = false;
    std::string keyEquivalent;
    std::function<void()> action;
    std::vector<MenuItem> submenu;  // an item with one opens it
    std::optional<bool> checked;    // a check item, ticked or not
};

// The menu-bar/tray item. show() replaces the whole menu; main thread only.
class StatusItem {
  public:
    virtual ~StatusItem() = default;
    virtual bool install() = 0;  // false when the desktop has no tray
    virtual void show(const std::vector<MenuItem>& menu) = 0;
};

}  // namespace tarsel
