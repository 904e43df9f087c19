#include "runtime/Unicode.h"

#include <unicode/brkiter.h>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

#include <cstring>
#include <memory>
#include <vector>

namespace tarsel::unicode {
namespace {

std::vector<UChar32> codePoints(std::string_view s) {
    std::vector<UChar32> out;
    int32_t i = 0, n = static_cast<int32_t>(s.size());
    while (i < n) {
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), i, n, c);
        out.push_back(c < 0 ? 0xFFFD : c);
    }
    return out;
}

std::string fromCodePoints(const std::vector<UChar32>& cps, size_t from, size_t to) {
    std::string out;
    for (size_t i = from; i < to; ++i) {
        char buf[4];
        int32_t len = 0;
        UBool err = false;  // set for a code point UTF-8 cannot hold: it is left out
        U8_APPEND(reinterpret_cast<uint8_t*>(buf), len, 4, cps[i], err);
        (void)err;
        out.append(buf, static_cast<size_t>(len));
    }
    return out;
}

// In ASCII the only space separator is the space itself.
bool isSpaceSeparatorOrTab(UChar32 c) {
    if (c < 0x80) return c == 0x09 || c == 0x20;
    return u_charType(c) == U_SPACE_SEPARATOR;
}

bool isWhitespaceOrNewline(UChar32 c) {
    if ((c >= 0x09 && c <= 0x0D) || c == 0x85 || c == 0x20) return true;
    if (c < 0x80) return false;
    auto t = u_charType(c);
    return t == U_SPACE_SEPARATOR || t == U_LINE_SEPARATOR || t == U_PARAGRAPH_SEPARATOR;
}

bool isAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// Command names are nearly always ASCII: there a code point is a byte, and the
// answer is ICU's without decoding, allocating or calling ICU.
template <class Pred>
std::string trimAscii(std::string_view text, Pred pred) {
    size_t b = 0, e = text.size();
    while (b < e && pred(static_cast<UChar32>(text[b]))) ++b;
    while (e > b && pred(static_cast<UChar32>(text[e - 1]))) --e;
    return std::string(text.substr(b, e - b));
}

// Valid UTF-8 is trimmed in place, decoding only the ends: a large request
// must not cost a copy of every code point.
template <class Pred>
std::string trimValid(std::string_view text, Pred pred) {
    const auto* s = reinterpret_cast<const uint8_t*>(text.data());
    const auto n = static_cast<int32_t>(text.size());
    int32_t b = 0, e = n;
    for (int32_t at = 0; b < n; b = at) {
        UChar32 c;
        U8_NEXT(s, at, n, c);
        if (!pred(c)) break;
    }
    for (int32_t at = e; e > b; e = at) {
        UChar32 c;
        U8_PREV(s, 0, at, c);
        if (!pred(c)) break;
    }
    return std::string(text.substr(static_cast<size_t>(b), static_cast<size_t>(e - b)));
}

template <class Pred>
std::string trim(std::string_view text, Pred pred) {
    if (isAscii(text)) return trimAscii(text, pred);
    if (isValidUtf8(text)) return trimValid(text, pred);
    auto cps = codePoints(text);
    size_t b = 0, e = cps.size();
    while (b < e && pred(cps[b])) ++b;
    while (e > b && pred(cps[e - 1])) --e;
    if (b == 0 && e == cps.size() && isValidUtf8(text)) return std::string(text);
    return fromCodePoints(cps, b, e);
}

icu::UnicodeString toIcu(std::string_view s) {
    return icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
}

std::string toUtf8(const icu::UnicodeString& s) {
    std::string out;
    s.toUTF8String(out);
    return out;
}

std::string nfc(std::string_view s) {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* norm = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) return std::string(s);
    icu::UnicodeString out = norm->normalize(toIcu(s), status);
    return U_FAILURE(status) ? std::string(s) : toUtf8(out);
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    int32_t i = 0, n = static_cast<int32_t>(bytes.size());
    while (i < n) {
        // Runs of ASCII, eight bytes at a time.
        uint64_t word;
        if (n - i >= 8 &&
            (std::memcpy(&word, bytes.data() + i, 8), (word & 0x8080808080808080ULL) == 0)) {
            i += 8;
            continue;
        }
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t*>(bytes.data()), i, n, c);
        if (c < 0) return false;
    }
    return true;
}

std::string trimWhitespaceAndNewlines(std::string_view text) {
    return trim(text, isWhitespaceOrNewline);
}

std::string trimWhitespaces(std::string_view text) {
    return trim(text, isSpaceSeparatorOrTab);
}

std::string toLower(std::string_view text) {
    if (isAscii(text)) {
        std::string out(text);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    icu::UnicodeString s = toIcu(text);
    s.toLower(icu::Locale::getRoot());
    return toUtf8(s);
}

std::u32string utf32(std::string_view text) {
    const auto cps = codePoints(text);
    return std::u32string(cps.begin(), cps.end());
}

std::size_t graphemeCount(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) return codePoints(text).size();
    icu::UnicodeString s = toIcu(text);
    it->setText(s);
    std::size_t count = 0;
    for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next()) ++count;
    return count;
}

bool allNumeric(std::string_view text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(
        icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_FAILURE(status)) return false;
    icu::UnicodeString s = toIcu(text);
    it->setText(s);
    // A character counts by its first scalar, as a combining mark never makes a digit.
    for (int32_t start = it->first(), end = it->next(); end != icu::BreakIterator::DONE;
         start = end, end = it->next()) {
        if (u_getIntPropertyValue(s.char32At(start), UCHAR_NUMERIC_TYPE) == U_NT_NONE) return false;
    }
    return true;
}

int compare(std::string_view a, std::string_view b) {
    std::string na = nfc(a), nb = nfc(b);  // UTF-8 byte order is code point order
    return na < nb ? -1 : (na == nb ? 0 : 1);
}

bool less(std::string_view a, std::string_view b) {
    return compare(a, b) < 0;
}

void prepare() {
    (void)less("e\xcc\x81", "f");
    (void)toLower("A");
    (void)graphemeCount("a");
    (void)trimWhitespaceAndNewlines(" a ");
}

}  // namespace tarsel::unicode
