// Conversions of doubles to signed 32-bit integers that never trap.
#pragma once

#include <cmath>
#include <cstdint>

namespace abacine {

// Truncates toward zero to a signed 32-bit integer. Values beyond the range
// saturate to INT32_MIN / INT32_MAX (the infinities included) and NaN gives 0,
// so no input is undefined behaviour.
constexpr int32_t TruncToInt32(double x) {
  if (!(x == x)) return 0;
  if (x >= 2147483647.0) return INT32_MAX;
  if (x <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(x);
}

// TruncInt: the double of TruncToInt32, used by the builtins, the gamma
// function, the distributions and the formatter.
constexpr double TruncInt(double x) { return static_cast<double>(TruncToInt32(x)); }

}  // namespace abacine
