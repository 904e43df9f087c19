#include "runtime/Backlog.h"
#include "runtime/Text.h"

namespace tarsel {

struct Backlog::Ticket::Claim {
    Backlog& backlog;
    std::string origin;
    std::size_t text;
    double seconds;
    ~Claim() { backlog.release(origin, text, seconds); }
};

const std::string& Backlog::Ticket::origin() const {
    static const std::string none;
    return claim_ ? claim_->origin : none;
}

Backlog::Backlog(const Clock& clock, Limits limits)
    : limits_(limits), refused_(clock, 10.0, [](std::size_t n) {
          return tr("⚠️ [Input] commands dropped because the input queue was full: {1}", n);
      }) {}

bool Backlog::fits(const Usage& used, std::size_t textBytes) const {
    return used.items < limits_.itemsPerOrigin && used.text + textBytes <= limits_.textPerOrigin &&
           textInTotal_ + textBytes <= limits_.textInTotal;
}

bool Backlog::admits(const std::string& origin, std::size_t textBytes) {
    std::lock_guard lock(mutex_);
    auto it = usage_.find(origin);
    if (fits(it == usage_.end() ? Usage{} : it->second, textBytes)) return true;
    refused_.count();
    return false;
}

std::optional<Backlog::Ticket> Backlog::admit(const std::string& origin, std::size_t textBytes) {
    std::lock_guard lock(mutex_);
    const Usage& used = usage_[origin];
    if (!fits(used, textBytes)) {
        if (used.items == 0) usage_.erase(origin);
        refused_.count();
        return std::nullopt;
    }
    return make(origin, textBytes, 0.0);
}

// An endpoint under its fair share may use the reserve too.
bool Backlog::roomInTotal(const Usage& used, double seconds) const {
    const bool underShare = used.items < limits_.fairShare;
    const std::size_t items = limits_.itemsInTotal - (underShare ? 0 : limits_.itemsReserved);
    const double time = limits_.secondsInTotal - (underShare ? 0.0 : limits_.secondsReserved);
    return itemsInTotal_ < items && secondsInTotal_ + seconds <= time + 1e-9;
}

std::optional<Backlog::Ticket> Backlog::claim(std::size_t textBytes, double seconds) {
    std::lock_guard lock(mutex_);
    auto it = usage_.find(current_);
    if (!roomInTotal(it == usage_.end() ? Usage{} : it->second, seconds)) {
        refused_.count();
        return std::nullopt;
    }
    return make(current_, textBytes, seconds);
}

Backlog::Ticket Backlog::make(const std::string& origin, std::size_t textBytes, double seconds) {
    Usage& used = usage_[origin];
    ++used.items;
    used.text += textBytes;
    textInTotal_ += textBytes;
    ++itemsInTotal_;
    secondsInTotal_ += seconds;
    Ticket ticket;
    ticket.claim_.reset(new Ticket::Claim{*this, origin, textBytes, seconds});
    return ticket;
}

void Backlog::release(const std::string& origin, std::size_t textBytes, double seconds) {
    std::lock_guard lock(mutex_);
    --itemsInTotal_;
    secondsInTotal_ -= seconds;
    if (itemsInTotal_ == 0) secondsInTotal_ = 0.0;  // no rounding left behind
    auto it = usage_.find(origin);
    if (it == usage_.end()) return;
    textInTotal_ -= textBytes;
    it->second.text -= textBytes;
    if (--it->second.items == 0) usage_.erase(it);
}

void Backlog::setCurrent(const std::string& origin) {
    std::lock_guard lock(mutex_);
    current_ = origin;
}

std::size_t Backlog::itemsOf(const std::string& origin) const {
    std::lock_guard lock(mutex_);
    auto it = usage_.find(origin);
    return it == usage_.end() ? 0 : it->second.items;
}

}  // namespace tarsel
