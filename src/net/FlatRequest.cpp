#include "net/FlatRequest.h"

#include <charconv>

namespace tarsel {
namespace {

constexpr std::size_t kMaxDigits = 18;  // always within 64 bits

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

class Reader {
  public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool atEnd() const { return at_ == text_.size(); }
    void skipSpace() {
        while (!atEnd() && isSpace(text_[at_])) ++at_;
    }
    bool take(char c) {
        skipSpace();
        if (atEnd() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    // A string with no escape and no control character.
    std::optional<std::string_view> string() {
        if (!take('"')) return std::nullopt;
        const std::size_t start = at_;
        for (; !atEnd(); ++at_) {
            const auto c = static_cast<unsigned char>(text_[at_]);
            if (c == '"') return text_.substr(start, at_++ - start);
            if (c == '\\' || c < 0x20) return std::nullopt;
        }
        return std::nullopt;
    }
    // -?(0|[1-9][0-9]*), then neither a fraction nor an exponent.
    std::optional<long long> integer() {
        skipSpace();
        const std::size_t start = at_;
        if (!atEnd() && text_[at_] == '-') ++at_;
        const std::size_t digits = at_;
        while (!atEnd() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
        const std::size_t count = at_ - digits;
        if (count == 0 || count > kMaxDigits || (text_[digits] == '0' && count > 1))
            return std::nullopt;
        if (!atEnd() && (text_[at_] == '.' || text_[at_] == 'e' || text_[at_] == 'E'))
            return std::nullopt;
        long long value = 0;
        std::from_chars(text_.data() + start, text_.data() + at_, value);
        return value;
    }

  private:
    std::string_view text_;
    std::size_t at_ = 0;
};

bool isBareScan(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
    return text == "scan";
}

// One member's value into its field; false for an unknown or repeated member.
bool readMember(Reader& in, std::string_view key, FlatRequest& out) {
    auto strings = [&](std::optional<std::string_view>& field) {
        return !field && (field = in.string()).has_value();
    };
    auto integers = [&](std::optional<long long>& field) {
        return !field && (field = in.integer()).has_value();
    };
    if (key == "pin") return strings(out.pin);
    if (key == "type") return strings(out.type);
    if (key == "val") return integers(out.val);
    if (key == "dx") return integers(out.dx);
    if (key == "dy") return integers(out.dy);
    return false;
}

}  // namespace

std::optional<FlatRequest> readFlatRequest(std::string_view text) {
    if (isBareScan(text)) return FlatRequest{true, {}, {}, {}, {}, {}};
    Reader in(text);
    FlatRequest out;
    if (!in.take('{')) return std::nullopt;
    if (!in.take('}')) {
        do {
            auto key = in.string();
            if (!key || !in.take(':') || !readMember(in, *key, out)) return std::nullopt;
        } while (in.take(','));
        if (!in.take('}')) return std::nullopt;
    }
    in.skipSpace();
    if (!in.atEnd()) return std::nullopt;
    out.scan = out.type == "scan";
    return out;
}

}  // namespace tarsel
