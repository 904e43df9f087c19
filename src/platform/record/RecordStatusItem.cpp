#include "platform/record/RecordStatusItem.h"

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {

RecordStatusItem::RecordStatusItem(std::shared_ptr<Recorder> recorder, MainLoop& mainLoop,
                                   std::string actionsFile, RecordPairingView* window)
    : recorder_(std::move(recorder)),
      mainLoop_(mainLoop),
      actionsFile_(std::move(actionsFile)),
      window_(window) {}

bool RecordStatusItem::install() {
    if (!actionsFile_.empty() && !follower_) {
        follower_ = std::make_unique<ActionFollower>(actionsFile_, [this](const std::string& t) {
            mainLoop_.post([this, t] { choose(t); });
        });
    }
    return true;
}

void RecordStatusItem::show(const std::vector<MenuItem>& menu) {
    Json items = Json::array();
    for (const MenuItem& item : menu) {
        if (item.separator) {
            items.push_back({{"separator", true}});
            continue;
        }
        items.push_back(entryOf(item));
    }
    recorder_->write("menu", {{"items", std::move(items)}});
    menu_ = menu;
}

Json RecordStatusItem::entryOf(const MenuItem& item) {
    if (item.separator) return {{"separator", true}};
    Json entry = {{"title", item.title}, {"enabled", item.enabled}};
    if (!item.keyEquivalent.empty()) entry["key"] = item.keyEquivalent;
    if (item.checked) entry["checked"] = *item.checked;
    if (!item.submenu.empty()) {
        entry["submenu"] = Json::array();
        for (const MenuItem& sub : item.submenu) entry["submenu"].push_back(entryOf(sub));
    }
    return entry;
}

// An item of the menu or of one of its submenus, by its exact title.
const MenuItem* RecordStatusItem::find(const std::vector<MenuItem>& menu,
                                       const std::string& title) {
    for (const MenuItem& item : menu) {
        if (!item.separator && item.title == title) return &item;
        if (const MenuItem* inner = find(item.submenu, title)) return inner;
    }
    return nullptr;
}

void RecordStatusItem::choose(const std::string& title) {
    if (title.starts_with("window:") && window_ && window_->press(title.substr(7))) return;
    const MenuItem* item = find(menu_, title);
    if (item && item->enabled && item->action) {
        auto action = item->action;  // the action may rebuild menu_
        action();
        return;
    }
    logLine(tr("⚠️ [record] no such menu item to choose: {1}", title));
}

}  // namespace tarsel
