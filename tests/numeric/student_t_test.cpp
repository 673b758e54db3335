// The Student t distribution: the calculator's edge cases, monotonicity in t
// across every region of StudentTDist, agreement with the density, and
// bad arguments. Reference values are from mpmath.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "numeric/distributions.h"
#include "numeric_support.h"

namespace abacine {
namespace {

using test::CheckAll;
using test::kInf;
using test::kNaN;

TEST(StudentT, EdgeCases) {
  CheckAll({
      {CALL(StudentTDist(1, 2)), 0.78867513459481288225, 1e-15},
      {CALL(StudentTDist(2, 5)), 0.94903026058507082188, 1e-15},
      // Past |t| = 9 the distribution keeps rising (a normal formula there
      // would give about 0.989130 at 10 and fall).
      {CALL(StudentTDist(8.9, 3)), 0.99850418950958692748, 1e-15},
      {CALL(StudentTDist(9, 3)), 0.99855209391906792654, 1e-15},
      {CALL(StudentTDist(10, 3)), 0.99893580047079292497, 1e-15},
      {CALL(StudentTDist(0, 7)), 0.5},     {CALL(StudentTDist(-1e-300, 3)), 0.5},
      {CALL(StudentTDist(kInf, 4)), 1.0},  {CALL(StudentTDist(-kInf, 4)), 0.0},
      // n = 1 is the Cauchy distribution: 1/2 + atan(t)/pi.
      {CALL(StudentTDist(1, 1)), 0.75, 1e-16},  {CALL(StudentTDist(-1e6, 1)), 3.1830988618368456824e-7, 1e-20},
      {CALL(StudentTDist(1e300, 1)), 1.0},      {CALL(StudentTCdf(-1, 1, 1)), 0.5, 1e-15},
      // Infinite degrees: the standard normal distribution.
      {CALL(StudentTDist(-1, kInf)), 0.15865525393145705141, 1e-16},
      {CALL(StudentTDist(2, kInf)), 0.9772498680518207928, 2.3e-16},
      // Degrees of freedom must be positive.
      {CALL(StudentTDist(1, 0)), kNaN},       {CALL(StudentTDist(1, -1)), kNaN},
      {CALL(StudentTDist(1, -kInf)), kNaN},   {CALL(StudentTCdf(-1, 1, 0)), kNaN},
      {CALL(StudentTCdf(-1, 1, -1)), kNaN},   {CALL(StudentTCdf(-1, 1, -kInf)), kNaN},
      // The density at 0 for n = 1 is 1/pi; Gamma((n+1)/2) overflows from
      // n = 343 on: the logarithmic form.
      {CALL(StudentTPdf(0, 1)), 0.31830988618379067, 0, 1e-15},
      {CALL(StudentTPdf(0.3, 7)), 0.36581230078018734161, 0, 1e-14},
      {CALL(StudentTPdf(1, 300)), 0.24156799953677589, 0, 1e-13},
      {CALL(StudentTPdf(1, 400)), 0.24166857594363267164, 0, 1e-14},
      {CALL(StudentTPdf(1.5, 1e6)), 0.12951758149982351619, 0, 1e-14},
      {CALL(StudentTPdf(1, kInf)), 0.2419707245191433498, 0, 1e-15},
  });
}

TEST(StudentT, SymmetricWithThePdfAsSlope) {
  for (double n : {0.5, 1.0, 3.0, 42.0, 250.0, 1e9}) {
    for (double t : {0.01, 0.8, 1.7, 2.5, 6.0, 30.0, 1e4}) {
      SCOPED_TRACE(testing::Message() << "t=" << t << " n=" << n);
      EXPECT_NEAR(StudentTDist(t, n) + StudentTDist(-t, n), 1.0, 4e-16);
    }
  }
  for (double n : {1.0, 2.5, 7.0, 60.0, 500.0, 1e6}) {
    for (double t : {-4.0, -1.3, 0.0, 0.4, 1.9, 3.3, 12.0}) {
      SCOPED_TRACE(testing::Message() << "t=" << t << " n=" << n);
      const double h = 1e-5;
      EXPECT_NEAR((StudentTDist(t + h, n) - StudentTDist(t - h, n)) / (2 * h), StudentTPdf(t, n), 1e-9);
    }
  }
}

// Non-decreasing in t on a grid of 12,000 points and around every place
// where StudentTDist changes method: the end of the series (t^2 = 3n/(n+2)),
// and for n >= 200 the end of the large-n expansion (ln(1 + t^2/n) = 1). On
// both sides of a seam the methods agree to rounding; a lower tail from the
// series is 1/2 - S and keeps 1e-16 absolute, not relative.
TEST(StudentT, MonotoneAndSeamsJoin) {
  for (double n : {0.5, 1.0, 2.0, 3.0, 4.0, 5.0, 10.0, 30.0, 100.0, 199.0, 200.0, 5e3, 1e4, 1e7, 1e8, 1e300}) {
    SCOPED_TRACE(n);
    std::vector<double> seams = {std::sqrt(3 * n / (n + 2))};
    if (n >= 200) seams.push_back(std::sqrt(std::expm1(1.0) * n));
    std::vector<double> ts;
    for (int i = 0; i <= 6000; ++i) {
      ts.push_back(std::pow(10.0, -6.0 + 12.0 * i / 6000));
      ts.push_back(-ts.back());
    }
    for (double s : seams) {
      for (double k = -50; k <= 50; ++k) {
        ts.push_back(s * (1 + k * 1e-9));
        ts.push_back(-ts.back());
      }
      SCOPED_TRACE(s);
      EXPECT_NEAR(StudentTDist(std::nextafter(s, 0.0), n), StudentTDist(std::nextafter(s, kInf), n), 1e-15);
      const double tail = StudentTDist(-std::nextafter(s, kInf), n);
      EXPECT_NEAR(StudentTDist(-std::nextafter(s, 0.0), n), tail, 1e-13 * tail);
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

}  // namespace
}  // namespace abacine
