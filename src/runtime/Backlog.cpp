#include "runtime/Backlog.h"

namespace tarsel {

struct Backlog::Ticket::Claim {
    Backlog& backlog;
    std::string origin;
    std::size_t text;
    ~Claim() { backlog.release(origin, text); }
};

const std::string& Backlog::Ticket::origin() const {
    static const std::string none;
    return claim_ ? claim_->origin : none;
}

Backlog::Backlog(const Clock& clock, Limits limits)
    : limits_(limits), refused_(clock, 10.0, [](std::size_t n) {
          return "⚠️ [Input] 입력 대기열이 가득 차 버린 명령: " +
                 std::to_string(n) + "개";
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
    return make(origin, textBytes);
}

Backlog::Ticket Backlog::claim(std::size_t textBytes) {
    std::lock_guard lock(mutex_);
    return make(current_, textBytes);
}

Backlog::Ticket Backlog::make(const std::string& origin, std::size_t textBytes) {
    Usage& used = usage_[origin];
    ++used.items;
    used.text += textBytes;
    textInTotal_ += textBytes;
    Ticket ticket;
    ticket.claim_.reset(new Ticket::Claim{*this, origin, textBytes});
    return ticket;
}

void Backlog::release(const std::string& origin, std::size_t textBytes) {
    std::lock_guard lock(mutex_);
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
