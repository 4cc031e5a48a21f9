#pragma once

#include <cmath>
#include <limits>
#include <optional>

namespace qdt::data {

// v rounded half to even, as the shop's own conversions round, when the result
// fits in T; nothing when it does not (or v is not a number).
template <class T>
std::optional<T> RoundToWhole(double v) {
    const double rounded = std::nearbyint(v);  // the default rounding mode sends halves to the even neighbour
    if (!(rounded >= static_cast<double>(std::numeric_limits<T>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<T>::max())))
        return std::nullopt;
    return static_cast<T>(rounded);
}

}  // namespace qdt::data
