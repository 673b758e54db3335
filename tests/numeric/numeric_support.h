// Shared by the numeric tests: rows of a named call and the value it must
// give, exactly or within an absolute and a relative tolerance, or NaN.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace abacine::test {

inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct Expect {
  std::string call;
  std::function<double()> f;
  double want;     // NaN: the result must be NaN; an infinity must match exactly
  double tol = 0;  // absolute; with rel 0 as well, the value must match exactly
  double rel = 0;  // relative to |want|, added to tol
};

// A row's call and its text: {CALL(Gamma(0.5)), want, tol}.
#define CALL(expr) #expr, [] { return expr; }

inline void CheckAll(const std::vector<Expect>& rows) {
  for (const Expect& row : rows) {
    SCOPED_TRACE(row.call);
    const double got = row.f();
    if (std::isnan(row.want)) {
      EXPECT_TRUE(std::isnan(got)) << got;
    } else if (std::isinf(row.want) || (row.tol == 0 && row.rel == 0)) {
      EXPECT_EQ(got, row.want);
    } else {
      EXPECT_NEAR(got, row.want, row.tol + row.rel * std::fabs(row.want));
    }
  }
}

}  // namespace abacine::test
