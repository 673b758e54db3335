// The Student t distribution: the calculator's edge cases, monotonicity in t
// across every region of StudentTDist, agreement with the density, and
// bad arguments. Reference values are from mpmath.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "numeric/distributions.h"

namespace abacine {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(StudentT, EdgeCases) {
  struct Row {
    double t, n, want, tol;
  };
  const Row rows[] = {
      {1, 2, 0.78867513459481288225, 1e-15},
      {2, 5, 0.94903026058507082188, 1e-15},
      {8.9, 3, 0.99850418950958692748, 1e-15},
      {9, 3, 0.99855209391906792654, 1e-15},
      // Past |t| = 9 the distribution keeps rising (a normal formula there
      // would give about 0.989130 and fall).
      {10, 3, 0.99893580047079292497, 1e-15},
      {0, 7, 0.5, 0},
      {-1e-300, 3, 0.5, 0},
      {kInf, 4, 1.0, 0},
      {-kInf, 4, 0.0, 0},
      // n = 1 is the Cauchy distribution: 1/2 + atan(t)/pi.
      {1, 1, 0.75, 1e-16},
      {-1e6, 1, 3.1830988618368456824e-7, 1e-20},
      {1e300, 1, 1.0, 0},
      // Infinite degrees: the standard normal distribution.
      {-1, kInf, 0.15865525393145705141, 1e-16},
      {2, kInf, 0.9772498680518207928, 2.3e-16},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "t=" << r.t << " n=" << r.n);
    if (r.tol == 0) {
      EXPECT_EQ(StudentTDist(r.t, r.n), r.want);
    } else {
      EXPECT_NEAR(StudentTDist(r.t, r.n), r.want, r.tol);
    }
  }
  EXPECT_NEAR(StudentTCdf(-1, 1, 1), 0.5, 1e-15);
}

TEST(StudentT, SymmetricInT) {
  for (double n : {0.5, 1.0, 3.0, 42.0, 250.0, 1e9}) {
    for (double t : {0.01, 0.8, 1.7, 2.5, 6.0, 30.0, 1e4}) {
      SCOPED_TRACE(testing::Message() << "t=" << t << " n=" << n);
      EXPECT_NEAR(StudentTDist(t, n) + StudentTDist(-t, n), 1.0, 4e-16);
    }
  }
}

// Every place where StudentTDist changes method, for a given n: the end of
// the series (t^2 = 3n/(n+2)), and for n >= 200 the end of the large-n
// expansion (ln(1 + t^2/n) = 1).
std::vector<double> Seams(double n) {
  std::vector<double> seams = {std::sqrt(3 * n / (n + 2))};
  if (n >= 200) seams.push_back(std::sqrt(std::expm1(1.0) * n));
  return seams;
}

TEST(StudentT, MonotoneInT) {
  for (double n : {0.5, 1.0, 2.0, 3.0, 5.0, 10.0, 30.0, 100.0, 199.0, 200.0, 1e4, 1e8, 1e300}) {
    SCOPED_TRACE(n);
    std::vector<double> ts;
    for (int i = 0; i <= 6000; ++i) {
      const double t = std::pow(10.0, -6.0 + 12.0 * i / 6000);
      ts.push_back(t);
      ts.push_back(-t);
    }
    for (double s : Seams(n)) {
      for (double k = -50; k <= 50; ++k) {
        ts.push_back(s * (1 + k * 1e-9));
        ts.push_back(-s * (1 + k * 1e-9));
      }
    }
    std::sort(ts.begin(), ts.end());
    double previous = 0;
    for (double t : ts) {
      const double v = StudentTDist(t, n);
      ASSERT_GE(v, previous) << "t=" << t;
      ASSERT_LE(v, 1.0) << "t=" << t;
      previous = v;
    }
  }
}

TEST(StudentT, SeamsJoin) {
  // On both sides of a seam the methods agree to rounding; a lower tail
  // from the series is 1/2 - S and keeps 1e-16 absolute, not relative.
  for (double n : {1.0, 4.0, 100.0, 200.0, 5e3, 1e7}) {
    for (double s : Seams(n)) {
      SCOPED_TRACE(testing::Message() << "n=" << n << " seam=" << s);
      const double below = StudentTDist(std::nextafter(s, 0.0), n);
      const double above = StudentTDist(std::nextafter(s, kInf), n);
      EXPECT_NEAR(below, above, 1e-15);
      const double tail_below = StudentTDist(-std::nextafter(s, 0.0), n);
      const double tail_above = StudentTDist(-std::nextafter(s, kInf), n);
      EXPECT_NEAR(tail_below, tail_above, 1e-13 * tail_above);
    }
  }
}

TEST(StudentT, CdfSlopeIsThePdf) {
  for (double n : {1.0, 2.5, 7.0, 60.0, 500.0, 1e6}) {
    for (double t : {-4.0, -1.3, 0.0, 0.4, 1.9, 3.3, 12.0}) {
      SCOPED_TRACE(testing::Message() << "t=" << t << " n=" << n);
      const double h = 1e-5;
      const double slope = (StudentTDist(t + h, n) - StudentTDist(t - h, n)) / (2 * h);
      EXPECT_NEAR(slope, StudentTPdf(t, n), 1e-9);
    }
  }
}

TEST(StudentT, Pdf) {
  struct Row {
    double x, n, want, rel;
  };
  const Row rows[] = {
      {0, 1, 0.31830988618379067, 1e-15},  // 1/pi
      {0.3, 7, 0.36581230078018734161, 1e-14},
      // Gamma((n+1)/2) overflows from n = 343 on: the logarithmic form.
      {1, 300, 0.24156799953677589, 1e-13},
      {1, 400, 0.24166857594363267164, 1e-14},
      {1.5, 1e6, 0.12951758149982351619, 1e-14},
      {1, kInf, 0.2419707245191433498, 1e-15},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(testing::Message() << "x=" << r.x << " n=" << r.n);
    EXPECT_NEAR(StudentTPdf(r.x, r.n), r.want, r.rel * r.want);
  }
}

TEST(StudentT, BadArguments) {
  for (double n : {0.0, -1.0, -kInf, kNaN}) {
    SCOPED_TRACE(n);
    EXPECT_TRUE(std::isnan(StudentTDist(1.0, n)));
    EXPECT_TRUE(std::isnan(StudentTCdf(-1.0, 1.0, n)));
  }
  EXPECT_TRUE(std::isnan(StudentTDist(kNaN, 3)));
  EXPECT_TRUE(std::isnan(StudentTCdf(kNaN, 1, 3)));
  EXPECT_TRUE(std::isnan(StudentTPdf(kNaN, 3)));
  EXPECT_TRUE(std::isnan(StudentTPdf(1, kNaN)));
}

}  // namespace
}  // namespace abacine
