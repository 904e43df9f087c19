#pragma once
// A command's pointer amounts, parsed once from the request: both for a move,
// `dy` alone for a scroll, `x` and `y` (wheel notches, fractions kept) for a
// smooth scroll.
#include <cstdint>
#include <optional>

namespace tarsel {

struct PointerDelta {
    std::optional<int64_t> dx, dy;
    std::optional<double> x{}, y{};
    bool operator==(const PointerDelta&) const = default;
};

}  // namespace tarsel
