#pragma once
// What an operation at the platform boundary returns: its value, or one line
// saying why there is none. The caller logs that line and carries on with its
// default; functions returning these are [[nodiscard]], so none is dropped.
#include <string>
#include <tl/expected.hpp>
#include <utility>

namespace tarsel {

// Result<> for an operation with nothing to return. (Not "Status": Xlib
// defines that name as a macro.)
template <class T = void>
using Result = tl::expected<T, std::string>;

inline tl::unexpected<std::string> failure(std::string why) {
    return tl::unexpected<std::string>(std::move(why));
}

}  // namespace tarsel
