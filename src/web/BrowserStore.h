#pragma once
// The paired browsers: their keys, names and when and where they were last
// seen, in "browsers.json" in the data folder (mode 0600, written whole and
// atomically). Keys are never logged. Safe from any thread.
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "runtime/Clock.h"
#include "web/WebCrypto.h"

namespace tarsel::web {

struct PairedBrowser {
    std::string id;  // eight characters, shown by `tarselctl web list`
    std::string name;
    Key key{};
    double paired = 0, lastUsed = 0;  // seconds since 1970
    std::string address;              // last seen from
};

class BrowserStore {
  public:
    BrowserStore(std::string path, const Clock& clock);

    // Reads the file; an unreadable or damaged one is one log line (kept
    // aside) and no browsers.
    void load();
    // Stores a new browser under a fresh id; none when no id could be made.
    std::optional<std::string> add(std::string name, const Key& key, const std::string& address);
    std::optional<PairedBrowser> find(const std::string& id) const;
    // A proven connection: the time and address are stored.
    void used(const std::string& id, const std::string& address);
    // Forgets one (true when it was there) or all; `onForget` hears each id.
    bool forget(const std::string& id);
    std::size_t forgetAll();
    std::vector<PairedBrowser> list() const;
    void onForget(std::function<void(const std::string& id)> listener);

  private:
    void save();  // caller holds mutex_

    std::string path_;
    const Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<PairedBrowser> browsers_;
    std::function<void(const std::string&)> onForget_;
};

}  // namespace tarsel::web
