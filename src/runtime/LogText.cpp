#include "runtime/LogText.h"

#include <cstdint>
#include <cstdio>

namespace tarsel {
namespace {

// Length of the well-formed UTF-8 sequence at `i` and its code point; 0 when
// the bytes there are not one.
int decodeAt(std::string_view s, std::size_t i, uint32_t& cp) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return cp = c, 1;
    int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    cp = c & (0x7F >> len);
    for (int k = 1; k < len; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

// C0, DEL, C1, the line and paragraph separators, the bidirectional marks,
// embeddings, overrides and isolates (they reorder what a terminal shows) and
// the byte-order mark.
bool isControl(uint32_t cp) {
    return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || cp == 0x2028 || cp == 0x2029 ||
           cp == 0x200E || cp == 0x200F || cp == 0x061C || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

void appendEscape(std::string& out, uint32_t cp, bool rawByte) {
    char buf[12];
    if (cp == '\n')
        out += "\\n";
    else if (cp == '\r')
        out += "\\r";
    else if (cp == '\t')
        out += "\\t";
    else if (rawByte || cp < 0x80)
        std::snprintf(buf, sizeof buf, "\\x%02x", cp), out += buf;
    else
        std::snprintf(buf, sizeof buf, "\\u%04x", cp), out += buf;
}

}  // namespace

std::string clipForLog(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return std::string(text);
    std::size_t cut = maxBytes;
    // Back to the start of a character, so the kept part stays whole.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return std::string(text.substr(0, cut)) + "… (" + std::to_string(text.size()) + " bytes)";
}

std::string escapeLogText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        uint32_t cp = 0;
        const int len = decodeAt(text, i, cp);
        if (len == 0) {
            appendEscape(out, static_cast<unsigned char>(text[i]), true);
            ++i;
            continue;
        }
        if (isControl(cp))
            appendEscape(out, cp, false);
        else
            out.append(text, i, static_cast<std::size_t>(len));
        i += static_cast<std::size_t>(len);
    }
    return out;
}

}  // namespace tarsel
