#include "web/BrowserStore.h"

#include <algorithm>

#include "runtime/DamagedCopy.h"
#include "runtime/Files.h"
#include "runtime/Json.h"
#include "runtime/Log.h"
#include "runtime/SecureRandom.h"
#include "runtime/Text.h"

namespace tarsel::web {
namespace {

// Letters and digits that cannot be misread for each other.
constexpr std::string_view kIdLetters = "23456789abcdefghjkmnpqrstuvwxyz";

std::optional<std::string> newId() {
    std::string id;
    for (int i = 0; i < 8; ++i) {
        auto n = secureRandomBelow(static_cast<uint32_t>(kIdLetters.size()));
        if (!n) return std::nullopt;
        id += kIdLetters[*n];
    }
    return id;
}

Json toJson(const PairedBrowser& b) {
    return {{"id", b.id},         {"name", b.name},          {"key", base64url(b.key)},
            {"paired", b.paired}, {"last_used", b.lastUsed}, {"address", b.address}};
}

std::optional<PairedBrowser> fromJson(const Json& j) {
    PairedBrowser b;
    try {
        b.id = j.at("id").get<std::string>();
        b.name = j.at("name").get<std::string>();
        auto key = base64urlDecode(j.at("key").get<std::string>());
        if (!key || key->size() != b.key.size()) return std::nullopt;
        std::copy(key->begin(), key->end(), b.key.begin());
        b.paired = j.value("paired", 0.0);
        b.lastUsed = j.value("last_used", 0.0);
        b.address = j.value("address", "");
    } catch (const std::exception&) {
        return std::nullopt;
    }
    return b;
}

}  // namespace

BrowserStore::BrowserStore(std::string path, const Clock& clock)
    : path_(std::move(path)), clock_(clock) {}

void BrowserStore::load() {
    std::lock_guard lock(mutex_);
    browsers_.clear();
    if (!files::exists(path_)) return;
    auto text = files::readAll(path_);
    auto doc = text ? parseJsonDocument(*text) : JsonResult{std::nullopt, text.error()};
    const Json* list = doc.value && doc.value->is_object() && doc.value->contains("browsers")
                           ? &(*doc.value)["browsers"]
                           : nullptr;
    if (!list || !list->is_array()) {
        auto aside = keepDamagedCopy(path_);
        logLine(
            aside ? tr("⚠️ [Web] the list of browsers cannot be read ({1}): no paired browsers "
                       "— copy: {2}",
                       path_, *aside)
                  : tr("⚠️ [Web] the list of browsers cannot be read ({1}): no paired browsers",
                       path_));
        return;
    }
    for (const auto& entry : *list)
        if (auto b = fromJson(entry)) browsers_.push_back(std::move(*b));
}

std::optional<std::string> BrowserStore::add(std::string name, const Key& key,
                                             const std::string& address) {
    std::lock_guard lock(mutex_);
    auto id = newId();
    while (id && std::any_of(browsers_.begin(), browsers_.end(),
                             [&](const PairedBrowser& b) { return b.id == *id; }))
        id = newId();
    if (!id) return std::nullopt;
    const double now = clock_.now();
    browsers_.push_back({*id, std::move(name), key, now, now, address});
    save();
    return id;
}

std::optional<PairedBrowser> BrowserStore::find(const std::string& id) const {
    std::lock_guard lock(mutex_);
    for (const auto& b : browsers_)
        if (b.id == id) return b;
    return std::nullopt;
}

void BrowserStore::used(const std::string& id, const std::string& address) {
    std::lock_guard lock(mutex_);
    for (auto& b : browsers_)
        if (b.id == id) {
            b.lastUsed = clock_.now();
            b.address = address;
            save();
        }
}

bool BrowserStore::forget(const std::string& id) {
    std::function<void(const std::string&)> listener;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(browsers_.begin(), browsers_.end(),
                               [&](const PairedBrowser& b) { return b.id == id; });
        if (it == browsers_.end()) return false;
        browsers_.erase(it);
        save();
        listener = onForget_;
    }
    if (listener) listener(id);
    return true;
}

std::size_t BrowserStore::forgetAll() {
    std::vector<PairedBrowser> gone;
    std::function<void(const std::string&)> listener;
    {
        std::lock_guard lock(mutex_);
        gone.swap(browsers_);
        if (!gone.empty()) save();
        listener = onForget_;
    }
    if (listener)
        for (const auto& b : gone) listener(b.id);
    return gone.size();
}

std::vector<PairedBrowser> BrowserStore::list() const {
    std::lock_guard lock(mutex_);
    return browsers_;
}

void BrowserStore::onForget(std::function<void(const std::string&)> listener) {
    std::lock_guard lock(mutex_);
    onForget_ = std::move(listener);
}

void BrowserStore::save() {
    Json list = Json::array();
    for (const auto& b : browsers_) list.push_back(toJson(b));
    auto saved = files::writeAtomic(path_, toCompactJson({{"browsers", list}}), 0600);
    if (!saved)
        logLine(tr("⚠️ [Web] the list of browsers could not be saved: {1}", saved.error()));
}

}  // namespace tarsel::web
