#pragma once
// The presses the key queue holds down. A key pressed again while its last
// press is still held is released first: a second down of a key that is down
// is dropped (by the X server and the kernel alike), and the earlier hold's
// timer must then leave the new press alone. Used on the key queue only.
#include <cstdint>
#include <unordered_map>

#include "input/KeyMap.h"

namespace tarsel::KeyMapProcessor {

class HeldKeys {
  public:
    struct Press {
        std::uint64_t id;
        bool wasDown;  // an earlier press of the key is still held
    };
    Press press(KeyCode key) {
        auto [it, added] = current_.try_emplace(key, 0);
        it->second = ++last_;
        return {last_, !added};
    }
    // Whether `id` is still the key's current press; if so, it ends.
    bool release(KeyCode key, std::uint64_t id) {
        auto it = current_.find(key);
        if (it == current_.end() || it->second != id) return false;
        current_.erase(it);
        return true;
    }

  private:
    std::unordered_map<KeyCode, std::uint64_t> current_;
    std::uint64_t last_ = 0;
};

}  // namespace tarsel::KeyMapProcessor
