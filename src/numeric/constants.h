// Constants and the polynomial kernel shared by the numeric library.
#pragma once

#include <algorithm>
#include <cstddef>

#include "numeric/trunc_int.h"

namespace abacine {

// Every exponential of the library is pow(kE, y) rather than exp(y), as the
// calculator has always computed them, so answers keep their last digits.
inline constexpr double kE = 2.718281828459045;
inline constexpr double kPi = 3.141592653589793;
// 1/pi as the Student t series multiplies it in.
inline constexpr double kInvPi = 0.3183098861837907;
// 0.5 ln(2 pi), the constant of Stirling's series.
inline constexpr double kHalfLog2Pi = 0.9189385332046728;

// c[0] x^(N-1) + c[1] x^(N-2) + ... + c[N-1] by Horner's rule: every
// coefficient table of the library is a row of this form, highest power first.
template <std::size_t N>
constexpr double Horner(const double (&c)[N], double x) {
  static_assert(N > 0);
  double w = c[0];
  for (std::size_t i = 1; i < N; ++i) w = w * x + c[i];
  return w;
}

// The table row for a truncated double. The region tests in front of every
// lookup already keep k inside the table; the clamp makes that a guarantee.
inline int TableRow(double k, int rows) {
  return std::clamp(static_cast<int>(TruncToInt32(k)), 0, rows - 1);
}

}  // namespace abacine
