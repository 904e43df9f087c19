#include "net/RequestHead.h"

#include <iterator>

namespace tarsel {
namespace {

class Scanner {
  public:
    explicit Scanner(std::string_view text) : text_(text) {}

    bool more() const { return at_ < text_.size(); }
    char peek() {
        skipSpace();
        return more() ? text_[at_] : '\0';
    }
    bool take(char c) {
        if (peek() != c) return false;
        ++at_;
        return true;
    }
    // A string; its text when it holds no escape.
    bool string(std::optional<std::string_view>* plain) {
        if (!take('"')) return false;
        const std::size_t start = at_;
        bool escaped = false;
        while (more()) {
            const char c = text_[at_++];
            if (c == '"') {
                if (plain && !escaped) *plain = text_.substr(start, at_ - 1 - start);
                return true;
            }
            if (c == '\\') escaped = true, ++at_;
        }
        return false;
    }
    // Any value: nested ones by their brackets, strings kept whole.
    bool skipValue() {
        const char c = peek();
        if (c == '"') return string(nullptr);
        if (c != '{' && c != '[') return skipScalar();
        int depth = 0;
        while (more()) {
            switch (text_[at_]) {
                case '"':
                    if (!string(nullptr)) return false;
                    continue;
                case '{':
                case '[':
                    ++depth;
                    break;
                case '}':
                case ']':
                    if (--depth == 0) return ++at_, true;
                    break;
                default:
                    break;
            }
            ++at_;
        }
        return false;
    }

  private:
    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    bool skipScalar() {
        const std::size_t start = at_;
        while (more() && !isSpace(text_[at_]) && text_[at_] != ',' && text_[at_] != '}' &&
               text_[at_] != ']')
            ++at_;
        return at_ > start;
    }
    void skipSpace() {
        while (more() && isSpace(text_[at_])) ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

unsigned sectionBit(const std::optional<std::string_view>& key) {
    for (unsigned i = 0; key && i < std::size(kLayoutSections); ++i)
        if (*key == kLayoutSections[i]) return 1u << i;
    return 0;
}

// "pin" and "type" keep their string (the last one counts, as parsed); every
// other value is stepped over.
bool readMember(Scanner& s, RequestHead& head) {
    std::optional<std::string_view> key, value;
    if (!s.string(&key) || !s.take(':')) return false;
    if (key != "pin" && key != "type") {
        head.sections |= sectionBit(key);
        return s.skipValue();
    }
    if (s.peek() == '"' ? !s.string(&value) : !s.skipValue()) return false;
    (key == "pin" ? head.pin : head.type) = value;
    return true;
}

}  // namespace

std::optional<RequestHead> readRequestHead(std::string_view text, bool sections) {
    Scanner s(text);
    RequestHead head;
    if (!s.take('{')) return std::nullopt;
    if (s.take('}')) return head;
    do {
        if (!readMember(s, head)) return std::nullopt;
        if (!sections && head.pin && head.type) return head;  // the rest is not read
    } while (s.take(','));
    if (!s.take('}')) return std::nullopt;
    return head;
}

}  // namespace tarsel
