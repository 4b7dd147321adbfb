#pragma once

#include <limits>

namespace kelmor {

// Measured and derived quantities are computed in x87 extended precision. Results such
// as the truncated error of 225 pulses (89, not 90) depend on the 64-bit mantissa.
using Extended = long double;
static_assert(std::numeric_limits<Extended>::digits == 64,
              "long double must be the 80-bit x87 extended type");

// Rounds to the nearest whole number, halves to the even neighbour.
Extended RoundHalfEven(Extended value);

// RoundHalfEven as a 64-bit integer; values beyond its range are clamped, NaN gives 0.
long long RoundHalfEvenToInt(Extended value);

// Truncates toward zero as a 64-bit integer, clamped like RoundHalfEvenToInt.
long long TruncToInt(Extended value);

}  // namespace kelmor
