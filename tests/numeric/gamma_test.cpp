// Gamma, factorial, nPr, nCr and the Haar wavelet: the calculator's own
// edge cases, identities, and arguments that must neither hang nor trap.
// Reference values are from mpmath.
#include "numeric/gamma.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "numeric_support.h"

namespace abacine {
namespace {

using test::CheckAll;
using test::kInf;
using test::kNaN;

TEST(GammaTest, EdgeCases) {
  CheckAll({
      // Whole factorials are exact (no 5.9999999999999991 for 3!); (-0.5)! is sqrt(pi).
      {CALL(Factorial(5)), 120},                              {CALL(Factorial(0)), 1},
      {CALL(Factorial(1)), 1},                                {CALL(Factorial(3)), 6},
      {CALL(Factorial(10)), 3628800},                         {CALL(Gamma(23)), 1124000727777607680000.0},
      // Just off a whole number the method is pow(e, ln Gamma) again.
      {CALL(Factorial(3 + 1e-12)), 6.0000000000075367, 0, 1e-14},
      {CALL(Gamma(171)), 7.257415615307998967e306},           {CALL(Gamma(172)), kInf},
      {CALL(Factorial(0.5)), 0.886226925452758, 0, 1e-15},    {CALL(Factorial(-1)), -kInf},
      {CALL(Factorial(-0.5)), 1.7724538509055159, 0, 1e-15},  {CALL(Factorial(-2)), -kInf},
      // The largest finite factorial, then beyond the largest double.
      {CALL(Factorial(170)), 7.257415615307998967e306},       {CALL(Factorial(171)), kInf},
      {CALL(Factorial(170.5)), 9.483367566824799e307, 0, 1e-13},
      {CALL(Gamma(-0.5)), -3.5449077018110320546, 0, 1e-14},  {CALL(Gamma(-4.2)), -0.16406105047761405333, 0, 1e-13},
      // Whole numbers inside the 32-bit range, and beyond it, where the
      // 10000-step limit ends the search.
      {CALL(Gamma(-3)), -kInf},     {CALL(Gamma(-1e9)), -kInf},   {CALL(Gamma(-1e300)), -kInf},
      {CALL(Gamma(-kInf)), -kInf},  {CALL(Gamma(kInf)), kInf},    {CALL(Gamma(0.0)), -kInf},
      // Below -10000 a non-whole argument needs more than 10000 steps; just
      // inside the limit the product of 10001 factors overflows: 0, no pole.
      {CALL(Gamma(-10000.5)), -kInf}, {CALL(Factorial(-10001.5)), -kInf}, {CALL(Gamma(-9999.5)), 0},
      // The table's own constant at the seam 3.5, ln sqrt(pi), and the zeros.
      {CALL(LogGamma(3.5)), 1.2009736023470743},  {CALL(LogGamma(0.5)), 0.57236494292470008707, 0, 1e-15},
      {CALL(LogGamma(1.0)), 0, 1.2e-16},          {CALL(LogGamma(2.0)), 0, 1.2e-16},
      // Reflection: NaN where Gamma < 0 (sin(pi x) < 0), and +infinity at the
      // poles rather than the logarithm of sin(pi x)'s rounding noise.
      {CALL(LogGamma(-1.5)), 0.86004701537648101451, 0, 1e-14}, {CALL(LogGamma(-0.5)), kNaN},
      {CALL(LogGamma(-1.0)), kInf},  {CALL(LogGamma(-1e300)), kInf},  {CALL(LogGamma(kInf)), kInf},
      {CALL(LogGamma(0.0)), kInf},   {CALL(LogGamma(1e306)), kInf},  // 7.04e308 exceeds the largest double
      {CALL(LogGamma(1e300)), 6.89775527898213741474e302, 0, 1e-15},
      {CALL(LogGamma(5e-324)), 744.44007192138126231, 0, 1e-15},
  });
}

TEST(GammaTest, PermutationsCombinationsAndWavelets) {
  CheckAll({
      // nPr(n, 0) is the empty product, not n; a fractional r counts factors
      // up to the first whole w >= r - 1 (0 for 0.5, 2 for 2.5); a negative
      // count has no value.
      {CALL(Permutations(5, 2)), 20},    {CALL(Permutations(5, 0)), 1},    {CALL(Permutations(2, 5)), 0},
      {CALL(Permutations(5, 5)), 120},   {CALL(Permutations(5, 1)), 5},    {CALL(Permutations(5, -1)), kNaN},
      {CALL(Permutations(5, -0.5)), kNaN}, {CALL(Permutations(-5, -7)), kNaN}, {CALL(Permutations(-5, 2)), 0},
      {CALL(Permutations(5, 0.5)), 5},   {CALL(Permutations(5, 2.5)), 60}, {CALL(Permutations(10, 3)), 720},
      {CALL(Permutations(5.5, 2)), 24.75}, {CALL(Permutations(20, 10)), 670442572800},
      {CALL(Permutations(170, 170)), 7.257415615307998967e306},
      // A loop of 1e299 steps is cut short by the overflow.
      {CALL(Permutations(200, 200)), kInf}, {CALL(Permutations(1e300, 1e299)), kInf},
      {CALL(Permutations(kInf, 5)), kInf},
      // nCr(n, 0) is 1, not n / 0; a negative count has no value.
      {CALL(Combinations(5, 2)), 10},    {CALL(Combinations(5, 5)), 1},    {CALL(Combinations(5, 0)), 1},
      {CALL(Combinations(2, 5)), 0},     {CALL(Combinations(5, -1)), kNaN}, {CALL(Combinations(10, 3)), 120},
      {CALL(Combinations(10, 7)), 120},  {CALL(Combinations(52, 5)), 2598960},
      {CALL(Combinations(60, 30)), 118264581564861424.0},   {CALL(Combinations(5.5, 2)), 12.375},
      // The numerator alone overflows; the quotient does not (rounded once).
      {CALL(Combinations(400, 200)), 1.0295250013541443297e119},
      {CALL(Combinations(400.5, 200)), 1.4546072909285629e119, 0, 1e-13},
      {CALL(Combinations(1100, 550)), kInf}, {CALL(Combinations(1e300, 5e299)), kInf},
      {CALL(Combinations(1100.5, 550)), kInf},
      {CALL(HaarWavelet(0)), 1},         {CALL(HaarWavelet(0.5)), 1},      {CALL(HaarWavelet(0.75)), -1},
      {CALL(HaarWavelet(1)), -1},        {CALL(HaarWavelet(1.5)), 0},      {CALL(HaarWavelet(-0.1)), 0},
      {CALL(HaarWavelet(kNaN)), 0},
      // pow(2, a/2) * wavelet(pow(2, a) c - b): wavelet(0.4), wavelet(0.8),
      // wavelet(0.5) and wavelet(2); inf * 0 inside and out.
      {CALL(Wave(1, 0, 0.2)), 1.4142135623730951}, {CALL(Wave(2, 1, 0.45)), -2},
      {CALL(Wave(-1, 0, 1)), 0.70710678118654757}, {CALL(Wave(0, 0, 2)), 0},
      {CALL(Wave(kInf, 0, 0)), kNaN},
  });
}

TEST(GammaTest, Identities) {
  // Products of doubles are exact up to 22!, so the table must match them.
  double factorial = 1;
  for (int n = 1; n <= 23; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(Gamma(n), factorial);
    EXPECT_EQ(Permutations(n - 1, n - 1), factorial);
    factorial *= n;
  }
  // ln Gamma(x + 1) = ln Gamma(x) + ln x, with x and x + 1 in different
  // regions of the method wherever possible.
  for (double x : {1e-300, 1e-8, 0.2, 0.3, 0.49, 0.5, 0.7, 1.0, 1.5, 2.0, 2.5, 2.9, 3.4, 3.5, 4.25, 5.5,
                   6.99, 7.5, 8.0, 12.3, 57.1, 100.5, 199.0}) {
    SCOPED_TRACE(x);
    EXPECT_NEAR(LogGamma(x + 1.0), LogGamma(x) + std::log(x), 2e-15 * std::max(1.0, std::fabs(LogGamma(x))));
  }
  // Symmetry and Pascal's rule.
  for (double n : {7.0, 20.0, 33.0, 100.0}) {
    for (double r = 1; r < n; r += 3) {
      SCOPED_TRACE(testing::Message() << n << " " << r);
      EXPECT_EQ(Combinations(n, r), Combinations(n, n - r));
      const double pascal = Combinations(n - 1, r - 1) + Combinations(n - 1, r);
      EXPECT_NEAR(Combinations(n, r), pascal, 1e-14 * pascal);
    }
  }
}

}  // namespace
}  // namespace abacine
