// Shared helpers of the interpreter and builtin tests: a fixture that runs
// every test in a chosen angle mode and leaves radians behind, and rows of
// texts with their expected outcome.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/angle_mode.h"
#include "engine/interpreter.h"
#include "token_text.h"

namespace abacine::test {

struct EvalRow {
  std::u16string text;
  double value;     // expected value when error is 0
  int32_t error;    // expected failure code, 0 for success
  int32_t mode = Radians;
};

// Distance in units in the last place between two finite doubles of the
// same sign (0 for equal values).
inline int64_t UlpDistance(double a, double b) {
  if (a == b) return 0;
  if (std::signbit(a) != std::signbit(b)) return INT64_MAX;
  int64_t ia;
  int64_t ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  return ia > ib ? ia - ib : ib - ia;
}

class EvalTest : public ::testing::Test {
 protected:
  void TearDown() override { SetAngleMode(Radians); }

  // Values must match exactly (bit for bit, apart from the sign of zero).
  static void CheckExact(const std::vector<EvalRow>& rows) { Check(rows, 0); }

  static void Check(const std::vector<EvalRow>& rows, int64_t ulps) {
    for (const EvalRow& row : rows) {
      SCOPED_TRACE("text: " + Narrow(row.text) + " mode " + std::to_string(row.mode));
      SetAngleMode(row.mode);
      double result = -12345.0;
      int32_t error = -1;
      const bool ok = Evaluate(row.text.c_str(), result, error);
      if (row.error == 0) {
        ASSERT_TRUE(ok) << "error " << error;
        EXPECT_EQ(error, 0);
        EXPECT_LE(UlpDistance(result, row.value), ulps)
            << "got " << testing::PrintToString(result) << " want " << testing::PrintToString(row.value);
      } else {
        EXPECT_FALSE(ok) << "value " << result;
        EXPECT_EQ(error, row.error);
        EXPECT_EQ(result, -12345.0) << "result written on failure";
      }
    }
    SetAngleMode(Radians);
  }
};

}  // namespace abacine::test
