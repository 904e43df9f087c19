#pragma once
// What the phones have waiting in the input queues, per endpoint and in total,
// so no host can queue minutes of typing or grow memory without end. A
// command is admitted with a ticket; while it runs, the items it queues (key
// presses, clicks, pastes) take tickets of the same endpoint, each with the
// time it stands for in its queue (holds, pauses and waits); each ticket is
// given back when the work holding it is done. The queues are shared, so the
// items of all endpoints together stand for at most 4.5 s: an item that would
// wait longer is refused, and what is admitted is carried out within 5 s. The
// last second is kept for endpoints with fewer than a fair share waiting, so a
// phone's key or move still passes the flood of an endpoint that keeps many
// waiting.
#include <cstddef>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

#include "runtime/DropReport.h"
#include "runtime/Log.h"

namespace tarsel {

class Backlog {
  public:
    struct Limits {
        std::size_t itemsPerOrigin = 40;
        std::size_t textPerOrigin = 64 * 1024;  // bytes
        std::size_t textInTotal = 1024 * 1024;
        std::size_t itemsInTotal = 2048;
        double secondsInTotal = 4.5;
        std::size_t fairShare = 4;
        // Of the total, what only endpoints under their fair share may fill.
        std::size_t itemsReserved = 256;
        double secondsReserved = 1.0;
    };

    class Ticket {
      public:
        Ticket() = default;
        const std::string& origin() const;

      private:
        friend class Backlog;
        struct Claim;
        std::shared_ptr<Claim> claim_;
    };

    explicit Backlog(const Clock& clock = Clock::system()) : Backlog(clock, Limits{}) {}
    Backlog(const Clock& clock, Limits limits);

    // A ticket for one command from `origin` carrying `textBytes` of text, or
    // none (counted, and reported in one line per 10 s) when the origin or
    // everyone together has too much waiting.
    std::optional<Ticket> admit(const std::string& origin, std::size_t textBytes);
    // Whether a command from `origin` would be admitted now (nothing counted).
    bool admits(const std::string& origin, std::size_t textBytes);
    // Runs `work` with the items it queues counted against `ticket`'s origin.
    template <class Work>
    void runAs(const Ticket& ticket, Work&& work) {
        runAs(ticket.origin(), std::forward<Work>(work));
    }
    // The same for a command that runs at once, so holds no ticket itself.
    template <class Work>
    void runAs(const std::string& origin, Work&& work) {
        struct Restore {
            Backlog& backlog;
            ~Restore() { backlog.setCurrent(""); }
        } restore{*this};
        setCurrent(origin);
        LogOrigin lines(origin);
        work();
    }
    // One queued item of the command running now, standing for `seconds` in
    // its queue; none (counted) when the queues have no room for it.
    std::optional<Ticket> claim(std::size_t textBytes, double seconds);

    std::size_t itemsOf(const std::string& origin) const;

  private:
    struct Usage {
        std::size_t items = 0;
        std::size_t text = 0;
    };
    // The callers of these hold mutex_.
    Ticket make(const std::string& origin, std::size_t textBytes, double seconds);
    bool fits(const Usage& used, std::size_t textBytes) const;
    bool roomInTotal(const Usage& used, double seconds) const;
    void release(const std::string& origin, std::size_t textBytes, double seconds);
    void setCurrent(const std::string& origin);

    const Limits limits_;
    mutable std::mutex mutex_;
    std::unordered_map<std::string, Usage> usage_;
    std::size_t textInTotal_ = 0;
    std::size_t itemsInTotal_ = 0;
    double secondsInTotal_ = 0.0;
    std::string current_;
    DropReport refused_;
};

}  // namespace tarsel
