#include "platform/record/RecordStatusItem.h"

#include "runtime/Log.h"

namespace tarsel {

RecordStatusItem::RecordStatusItem(std::shared_ptr<Recorder> recorder, MainLoop& mainLoop,
                                   std::string actionsFile)
    : recorder_(std::move(recorder)), mainLoop_(mainLoop), actionsFile_(std::move(actionsFile)) {}

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
        Json entry = {{"title", item.title}, {"enabled", item.enabled}};
        if (!item.keyEquivalent.empty()) entry["key"] = item.keyEquivalent;
        items.push_back(std::move(entry));
    }
    recorder_->write("menu", {{"items", std::move(items)}});
    menu_ = menu;
}

void RecordStatusItem::choose(const std::string& title) {
    for (const MenuItem& item : menu_) {
        if (item.separator || item.title != title) continue;
        if (!item.enabled || !item.action) break;
        auto action = item.action;  // the action may rebuild menu_
        action();
        return;
    }
    logLine("⚠️ [record] 선택할 수 없는 메뉴 항목: " + title);
}

}  // namespace tarsel
