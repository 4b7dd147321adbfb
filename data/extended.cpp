#include "extended.h"

#include <cmath>

namespace kelmor {

namespace {

long long ClampToInt(Extended whole) {
    if (std::isnan(whole)) {
        return 0;
    }
    constexpr Extended kMax = static_cast<Extended>(std::numeric_limits<long long>::max());
    constexpr Extended kMin = static_cast<Extended>(std::numeric_limits<long long>::min());
    if (whole >= kMax) {
        return std::numeric_limits<long long>::max();
    }
    if (whole <= kMin) {
        return std::numeric_limits<long long>::min();
    }
    return static_cast<long long>(whole);
}

}  // namespace

Extended RoundHalfEven(Extended value) {
    // nearbyint follows the current rounding mode; the program never leaves the
    // default, round to nearest with ties to even.
    return std::nearbyint(value);
}

long long RoundHalfEvenToInt(Extended value) {
    return ClampToInt(RoundHalfEven(value));
}

long long TruncToInt(Extended value) {
    return ClampToInt(std::trunc(value));
}

}  // namespace kelmor
