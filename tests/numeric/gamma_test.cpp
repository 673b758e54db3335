// Gamma, factorial, nPr, nCr and the Haar wavelet: the calculator's own
// edge cases, identities, and arguments that must neither hang nor trap.
#include "numeric/gamma.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace abacine {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// |got - want| within rel * |want|; infinities and NaN must match exactly.
void ExpectClose(double got, double want, double rel) {
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << got;
  } else if (std::isinf(want)) {
    EXPECT_EQ(got, want);
  } else {
    EXPECT_NEAR(got, want, rel * std::fabs(want)) << "got " << got;
  }
}

struct Case1 {
  double x;
  double want;
  double rel;  // 0: exactly
};

TEST(Factorial, EdgeCases) {
  const Case1 cases[] = {
      {5, 120, 1e-14},  // pow(e, ln Gamma(6)): 120 at ten digits
      {0, 1, 0},
      {1, 1, 0},
      {0.5, 0.886226925452758, 1e-15},
      {-1, -kInf, 0},
      {-2, -kInf, 0},
      {-0.5, 1.7724538509055159, 1e-15},  // sqrt(pi)
      {3, 6, 1e-15},
      {10, 3628800, 1e-14},
      {170, 7.2574156153079989674e306, 1e-13},  // exponent of pow(e, y) near 706
      {171, kInf, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    if (c.rel == 0) {
      EXPECT_EQ(Factorial(c.x), c.want);
    } else {
      ExpectClose(Factorial(c.x), c.want, c.rel);
    }
  }
}

TEST(Gamma, NegativeArguments) {
  const Case1 cases[] = {
      {-0.5, -3.5449077018110320546, 1e-14},
      {-1.5, 2.3632718012073547031, 1e-14},
      {-4.2, -0.16406105047761405333, 1e-13},
      {-3, -kInf, 0},
      {-1e9, -kInf, 0},   // whole, inside the 32-bit range
      {-1e300, -kInf, 0}, // whole beyond it: the 10000-step limit ends it
      {-kInf, -kInf, 0},
      // Below -10000 a non-whole argument needs more than 10000 steps.
      {-10000.5, -kInf, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    ExpectClose(Gamma(c.x), c.want, c.rel);
  }
  // Just inside the limit the product of 10001 factors overflows: 0, not a pole.
  EXPECT_EQ(Gamma(-9999.5), 0.0);
  // A factorial of an argument below -10001 is the same limit.
  EXPECT_EQ(Factorial(-10001.5), -kInf);
}

TEST(Gamma, WholeArgumentsAreFactorials) {
  double factorial = 1;
  for (int n = 1; n <= 20; ++n) {
    SCOPED_TRACE(n);
    ExpectClose(Gamma(n), factorial, 4e-15 * n);
    factorial *= n;
  }
}

TEST(Gamma, NonFiniteArguments) {
  EXPECT_TRUE(std::isnan(Gamma(kNaN)));
  EXPECT_EQ(Gamma(kInf), kInf);
  EXPECT_EQ(Gamma(0.0), -kInf);
  EXPECT_TRUE(std::isnan(Factorial(kNaN)));
}

TEST(LogGamma, RecurrenceAcrossEveryRegion) {
  // ln Gamma(x + 1) = ln Gamma(x) + ln x, with x and x + 1 in different
  // regions of the method wherever possible.
  for (double x : {1e-300, 1e-8, 0.2, 0.3, 0.49, 0.5, 0.7, 1.0, 1.5, 2.0, 2.5, 2.9, 3.4,
                   3.5, 4.25, 5.5, 6.99, 7.5, 8.0, 12.3, 57.1, 100.5, 199.0}) {
    SCOPED_TRACE(x);
    const double lhs = LogGamma(x + 1.0);
    const double rhs = LogGamma(x) + std::log(x);
    EXPECT_NEAR(lhs, rhs, 2e-15 * std::max(1.0, std::fabs(LogGamma(x))));
  }
}

TEST(LogGamma, ZerosAndKnownValues) {
  EXPECT_LE(std::fabs(LogGamma(1.0)), 1.2e-16);
  EXPECT_LE(std::fabs(LogGamma(2.0)), 1.2e-16);
  EXPECT_EQ(LogGamma(3.5), 1.2009736023470743);  // the table's own constant
  ExpectClose(LogGamma(0.5), 0.57236494292470008707, 1e-15);  // ln sqrt(pi)
}

TEST(LogGamma, Reflection) {
  ExpectClose(LogGamma(-1.5), 0.86004701537648101451, 1e-14);
  // Gamma(-2.5) < 0: its logarithm is NaN where sin(pi x) < 0.
  EXPECT_TRUE(std::isnan(LogGamma(-0.5)));
  EXPECT_TRUE(std::isnan(LogGamma(-2.5)));
  // Poles: +infinity rather than the logarithm of sin(pi x)'s rounding noise.
  EXPECT_EQ(LogGamma(-1.0), kInf);
  EXPECT_EQ(LogGamma(-2.0), kInf);
  EXPECT_EQ(LogGamma(-1e300), kInf);
}

TEST(LogGamma, NonFiniteAndExtremeArguments) {
  EXPECT_EQ(LogGamma(kInf), kInf);
  EXPECT_TRUE(std::isnan(LogGamma(kNaN)));
  EXPECT_EQ(LogGamma(0.0), kInf);
  EXPECT_EQ(LogGamma(1e306), kInf);  // 7.04e308 exceeds the largest double
  ExpectClose(LogGamma(1e300), 6.89775527898213741474e302, 1e-15);
  ExpectClose(LogGamma(5e-324), 744.44007192138126231, 1e-15);
}

struct Case2 {
  double a, b;
  double want;
  double rel;
};

TEST(Permutations, EdgeCases) {
  const Case2 cases[] = {
      {5, 2, 20, 0},
      {5, 0, 1, 0},  // the empty product, not n
      {2, 5, 0, 0},
      {5, 5, 120, 0},
      {5, 1, 5, 0},
      {10, 3, 720, 0},
      {5, 0.5, 5, 0},   // one factor: the first whole w >= -0.5 is 0
      {5, 2.5, 60, 0},  // three factors: w runs to 2 >= 1.5
      {5, -1, 1, 0},
      {170, 170, 7.2574156153079989674e306, 1e-13},
      {200, 200, kInf, 0},
      // A loop of 1e299 steps is cut short by the overflow.
      {1e300, 1e299, kInf, 0},
      {kInf, 5, kInf, 0},
      {kNaN, 2, kNaN, 0},
      {5, kNaN, kNaN, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " P " << c.b);
    if (c.rel == 0 && std::isfinite(c.want)) {
      EXPECT_EQ(Permutations(c.a, c.b), c.want);
    } else {
      ExpectClose(Permutations(c.a, c.b), c.want, c.rel);
    }
  }
}

TEST(Combinations, EdgeCases) {
  const Case2 cases[] = {
      {5, 2, 10, 0},
      {5, 5, 1, 0},
      {5, 0, 1, 0},  // not n / 0
      {2, 5, 0, 0},
      {5, -1, 0, 0},
      {10, 3, 120, 0},
      {10, 7, 120, 0},
      {52, 5, 2598960, 0},
      {60, 30, 118264581564861424.0, 1e-15},
      // The numerator alone overflows; the quotient does not.
      {400, 200, 1.0295250013541443297e119, 1e-13},
      {1100, 550, kInf, 0},
      {1e300, 5e299, kInf, 0},
      {kNaN, 2, kNaN, 0},
      {5, kNaN, kNaN, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " C " << c.b);
    if (c.rel == 0 && std::isfinite(c.want)) {
      EXPECT_EQ(Combinations(c.a, c.b), c.want);
    } else {
      ExpectClose(Combinations(c.a, c.b), c.want, c.rel);
    }
  }
}

TEST(Combinations, Symmetry) {
  for (double n : {7.0, 20.0, 33.0, 100.0}) {
    for (double r = 1; r < n; r += 3) {
      SCOPED_TRACE(testing::Message() << n << " " << r);
      EXPECT_EQ(Combinations(n, r), Combinations(n, n - r));
      // Pascal's rule.
      ExpectClose(Combinations(n, r), Combinations(n - 1, r - 1) + Combinations(n - 1, r), 1e-14);
    }
  }
}

TEST(HaarWavelet, Values) {
  const Case1 cases[] = {
      {0, 1, 0},    {0.5, 1, 0},   {0.75, -1, 0}, {1, -1, 0},    {1.5, 0, 0},
      {-0.1, 0, 0}, {kNaN, 0, 0},  {kInf, 0, 0},  {-kInf, 0, 0}, {1e-300, 1, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    EXPECT_EQ(HaarWavelet(c.x), c.want);
  }
}

TEST(Wave, ScaleAndShift) {
  EXPECT_EQ(Wave(1, 0, 0.2), 1.4142135623730951);  // pow(2, 0.5) * wavelet(0.4)
  EXPECT_EQ(Wave(0, 0, 0.25), 1.0);
  EXPECT_EQ(Wave(2, 1, 0.3), 2.0);     // 2 * wavelet(0.2)
  EXPECT_EQ(Wave(2, 1, 0.45), -2.0);   // 2 * wavelet(0.8)
  EXPECT_EQ(Wave(-1, 0, 1), 0.70710678118654757);  // wavelet(0.5) = 1
  EXPECT_EQ(Wave(0, 0, 2), 0.0);
  EXPECT_TRUE(std::isnan(Wave(kNaN, 0, 0.2)));
  EXPECT_TRUE(std::isnan(Wave(kInf, 0, 0)));  // inf * 0 inside and out
}

}  // namespace
}  // namespace abacine
