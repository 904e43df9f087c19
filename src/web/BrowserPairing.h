#pragma once
// Browser pairing: while open, a one-time token (shown only as a QR code and
// in `tarselctl pair`) lets one browser derive its key; a used token gives
// way to a fresh one at once, so several browsers can pair in one window.
// A browser without a camera asks instead; the user compares a six-digit
// code and approves or denies it. Safe from any thread.
#include <asio/any_io_executor.hpp>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

#include "runtime/Clock.h"
#include "runtime/Queues.h"
#include "web/WebCrypto.h"

namespace tarsel::web {

struct ApprovalRequest {
    std::string code;     // six digits, as the browser shows them
    std::string name;     // as the browser gave it: plain text, never markup
    std::string address;  // where it asks from
};

class BrowserPairing {
  public:
    static constexpr double kOnRequestSeconds = 120.0;
    static constexpr double kAtFirstStartSeconds = 600.0;
    // Answers the browser whose request waits: approved, or not (denied,
    // replaced by a newer one, or pairing closed).
    using Answer = std::function<void(bool approved, const char* why)>;

    BrowserPairing(const Clock& clock, Timers& timers, asio::any_io_executor executor);

    // Opens for `seconds` from now, or keeps a longer window already open.
    void open(double seconds);
    void close();
    std::optional<int> secondsLeft();
    // The current token (base64url) while open.
    std::optional<std::string> token();
    // The token's key when `pairId` names the current token, which is used up
    // and replaced.
    std::optional<Key> redeem(std::string_view pairId);

    // A camera-less request; a newer one replaces one that waits. Its id.
    uint64_t ask(ApprovalRequest request, Answer answer);
    std::optional<ApprovalRequest> pending();
    // The user's answer for the request showing `code`: false when none does.
    bool answer(std::string_view code, bool approve);
    // The asking browser went away.
    void withdraw(uint64_t id);

    // Hears every change (open, close, token used, request); from any thread.
    void onChange(std::function<void()> listener);

  private:
    struct Waiting {
        uint64_t id;
        ApprovalRequest request;
        Answer answer;
    };
    bool expireIfDue();                    // caller holds mutex_; true when it closed now
    bool makeToken();                      // caller holds mutex_
    std::optional<Waiting> takePending();  // caller holds mutex_
    void changed();

    const Clock& clock_;
    Timers& timers_;
    asio::any_io_executor executor_;
    std::mutex mutex_;
    std::optional<double> end_;  // monotonic
    std::string token_, pairId_;
    Key key_{};
    std::optional<Waiting> pending_;
    uint64_t nextId_ = 1;
    std::function<void()> listener_;
};

}  // namespace tarsel::web
