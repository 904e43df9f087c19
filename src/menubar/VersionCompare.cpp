#include "menubar/VersionCompare.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <vector>

namespace tarsel {
namespace {

// A decimal integer of any length: sign and digits without leading zeros.
struct BigInt {
    bool negative = false;
    std::string digits;  // "" is zero
};

// A piece that is not a complete decimal integer counts as 0.
BigInt parsePiece(const std::string& piece) {
    size_t i = 0;
    bool negative = false;
    if (i < piece.size() && (piece[i] == '+' || piece[i] == '-')) negative = piece[i++] == '-';
    if (i == piece.size()) return {};
    for (size_t j = i; j < piece.size(); ++j)
        if (piece[j] < '0' || piece[j] > '9') return {};
    size_t firstNonZero = piece.find_first_not_of('0', i);
    if (firstNonZero == std::string::npos) return {};
    return {negative, piece.substr(firstNonZero)};
}

std::vector<BigInt> pieces(const std::string& version) {
    std::vector<BigInt> out;
    size_t start = 0;
    while (start <= version.size()) {
        size_t end = version.find('.', start);
        if (end == std::string::npos) end = version.size();
        if (end > start) out.push_back(parsePiece(version.substr(start, end - start)));
        start = end + 1;
    }
    return out;
}

int compareMagnitude(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
}

int sign(const BigInt& n) {
    return n.digits.empty() ? 0 : (n.negative ? -1 : 1);
}

int compareBig(const BigInt& a, const BigInt& b) {
    if (sign(a) != sign(b)) return sign(a) < sign(b) ? -1 : 1;
    int m = compareMagnitude(a.digits, b.digits);
    return sign(a) < 0 ? -m : m;
}

// The difference a - b when it is small enough to compute exactly, clamped to
// int; otherwise only its sign.
int difference(const BigInt& a, const BigInt& b) {
    int order = compareBig(a, b);
    if (a.digits.size() > 18 || b.digits.size() > 18) return order;
    auto value = [](const BigInt& n) {
        int64_t v = n.digits.empty() ? 0 : std::stoll(n.digits);
        return n.negative ? -v : v;
    };
    int64_t d = value(a) - value(b);  // below 2e18: no overflow
    return static_cast<int>(std::clamp<int64_t>(d, INT_MIN, INT_MAX));
}

}  // namespace

int compareVersionStrings(const std::string& a, const std::string& b) {
    std::vector<BigInt> left = pieces(a), right = pieces(b);
    size_t count = std::max(left.size(), right.size());
    left.resize(count);
    right.resize(count);
    for (size_t i = 0; i < count; ++i)
        if (compareBig(left[i], right[i]) != 0) return difference(left[i], right[i]);
    return 0;
}

}  // namespace tarsel
