#include "numeric/format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <vector>

namespace abacine {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Readable form of an answer: the exponent sign U+0080 shows as "ᴇ"; any
// other unit outside ASCII shows as <hex>, so it can never pass for either.
std::string Show(const WString& text) {
  std::string s;
  for (char16_t c : text.View()) {
    if (c == u'\u0080') {
      s += "ᴇ";
    } else if (c >= 0x20 && c < 0x7F) {
      s += static_cast<char>(c);
    } else {
      s += "<" + std::to_string(static_cast<unsigned>(c)) + ">";
    }
  }
  return s;
}

std::string Value(double v, int32_t precision, int32_t mode, bool fractions) {
  WString out;
  FormatValue(out, v, precision, mode, fractions);
  return Show(out);
}

std::string Answer(double v, bool fractions = false) { return Value(v, 10, Auto, fractions); }

struct Row {
  double value;
  const char* text;
};

void ExpectAnswers(const std::vector<Row>& rows, bool fractions) {
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << std::hexfloat << row.value);
    EXPECT_EQ(Answer(row.value, fractions), row.text);
  }
}

TEST(FormatValueTest, DecimalAnswers) {
  ExpectAnswers(
      {
          {1.0 / 3.0, "0.3333333333"},
          {2.0 / 3.0, "0.6666666667"},
          {12345.6789, "12345.6789"},
          {kPi, "3.1415926536"},
          {-kPi, "-3.141592654"},  // the sign takes one of the 11 places
          {1e9, "1000000000"},
          {1e9 + 1, "1.000000001ᴇ9"},
          {1.5e-9, "0.0000000015"},
          {5e-10, "5ᴇ-10"},
          {0.1 + 0.2, "0.3"},
          {-1e9, "-1000000000"},  // 11 integer characters: no decimals, no trimming
          {1e9 + 0.5, "1.0000000005ᴇ9"},
          {1e-9, "0.000000001"},
          {9e-10, "9ᴇ-10"},
          {std::nextafter(1e-9, 0.0), "10ᴇ-10"},  // exponent form, mantissa rounds up
          {9.99999999999e12, "10ᴇ12"},
          {1.25, "1.25"},
          {-0.5, "-0.5"},
          {2.0, "2"},
          {-123.456, "-123.456"},
          {123456789.123, "123456789.12"},
          {1e-10, "1ᴇ-10"},
          {-2.5e15, "-2.5ᴇ15"},
          {1e100, "1ᴇ100"},
          // The mantissa is scaled by multiplying (by 0.1 or 10), and the
          // rounding of those steps shows: dividing by 10 gives "10ᴇ71" here.
          {1e72, "1ᴇ72"},
          {1e-300, "10ᴇ-301"},
          {DBL_MAX, "1.7976931349ᴇ308"},
          {-DBL_MAX, "-1.797693135ᴇ308"},
          {std::numeric_limits<double>::denorm_min(), "4.9406564584ᴇ-324"},
      },
      false);
}

TEST(FormatValueTest, FractionAnswers) {
  ExpectAnswers(
      {
          {1.25, "5/4"},
          {0.1 + 0.2, "3/10"},
          {22.0 / 7.0, "22/7"},
          {kPi, "3.1415926536"},  // its fraction has terms of 100 or more
          {0.00001, "0.00001"},
          {-0.5, "-1/2"},
          {-1.5, "-3/2"},
          {-0.75, "-0.75"},  // the -1 partial quotient exhausts the search
          {0.75, "3/4"},
          {-0.4, "-2/5"},
          {1.0, "1"},
          {-3.0, "-3"},
          {42.0, "42"},
          {99.5, "99.5"},  // 199/2: numerator not below 100
          {1.0 / 99.0, "1/99"},
          {1.0 / 100.0, "0.01"},  // denominator not below 100
          {1e7, "10000000"},      // the fraction range is open at both ends
          {1e-8, "0.00000001"},
          {0.0, "0"},
          {1e9, "1000000000"},
          {kInf, "NaN"},
          {-kInf, "NaN"},
          {kNaN, "NaN"},
      },
      true);
}

TEST(FormatValueTest, ZeroInEveryMode) {
  for (int32_t mode : {0, 1, 2, 3, 4, 5, -1, 1000}) {
    for (bool fractions : {false, true}) {
      for (double zero : {0.0, -0.0}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " fractions " << fractions << " " << zero);
        EXPECT_EQ(Value(zero, 10, mode, fractions), "0");
        EXPECT_EQ(Value(zero, 0, mode, fractions), "0");
      }
    }
  }
}

TEST(FormatValueTest, NotFiniteIsNaNEverywhere) {
  for (int32_t mode : {0, 1, 2, 3, 4, 9}) {
    for (bool fractions : {false, true}) {
      for (double v : {kNaN, -kNaN, kInf, -kInf}) {
        SCOPED_TRACE(testing::Message() << "mode " << mode << " fractions " << fractions << " " << v);
        EXPECT_EQ(Value(v, 10, mode, fractions), "NaN");
        WString out;
        EXPECT_FALSE(FormatDecimal(out, v, 10, false, mode));
        EXPECT_EQ(Show(out), "NaN");
      }
    }
  }
  // Each form on its own also stops at once on an infinity (scaling it would
  // never reach the mantissa range).
  for (auto* form : {&FormatFixed, &FormatScientific, &FormatEngineering}) {
    for (double v : {kNaN, kInf, -kInf}) {
      WString out;
      form(out, v, 10, false);
      EXPECT_EQ(Show(out), "NaN");
    }
  }
}

TEST(FormatValueTest, FormatDecimalReportsSuccess) {
  WString out;
  EXPECT_TRUE(FormatDecimal(out, 0.0, 10, false, Auto));
  EXPECT_TRUE(FormatDecimal(out, -7.5, 10, false, Engineering));
  EXPECT_EQ(Show(out), "0-7.5ᴇ0");
}

struct ModeRow {
  double value;
  int32_t precision;
  int32_t mode;
  const char* text;
};

TEST(FormatValueTest, Modes) {
  const ModeRow rows[] = {
      // Small-value rule: only Auto, only with a positive precision.
      {0.0004, 3, Auto, "4ᴇ-4"},
      {0.001, 3, Auto, "0.001"},
      {-0.0004, 3, Auto, "-4ᴇ-4"},
      {0.0004, 3, AutoRange, "0"},
      {0.0015, 3, AutoRange, "0.002"},
      {1.5e-10, 0, Auto, "1ᴇ-10"},
      {0.7, 0, Auto, "0"},
      {2e9, 3, AutoRange, "2ᴇ9"},
      // Scientific.
      {12345.6789, 10, Scientific, "1.23456789ᴇ4"},
      {-0.00012, 10, Scientific, "-1.2ᴇ-4"},
      {1.0, 10, Scientific, "1ᴇ0"},
      {-1.0, 10, Scientific, "-1ᴇ0"},
      {10.0, 10, Scientific, "1ᴇ1"},
      {-9.5, 10, Scientific, "-9.5ᴇ0"},
      {9.99999999999e12, 0, Scientific, "9ᴇ12"},  // precision 0 truncates the mantissa
      {5e-324, 4, Scientific, "4.9407ᴇ-324"},
      // Engineering.
      {12345.6789, 10, Engineering, "12.3456789ᴇ3"},
      {0.00012, 10, Engineering, "120ᴇ-6"},
      {-1234567.0, 10, Engineering, "-1.234567ᴇ6"},
      {-0.5, 10, Engineering, "-500ᴇ-3"},
      {999.0, 10, Engineering, "999ᴇ0"},
      {1000.0, 10, Engineering, "1ᴇ3"},
      {-1000.0, 10, Engineering, "-1ᴇ3"},
      {2.5e-7, 10, Engineering, "250ᴇ-9"},
      // Fixed, and any unknown mode as Fixed.
      {5e-10, 10, Fixed, "0.0000000005"},
      {1e-12, 10, Fixed, "0"},
      {-1e-12, 10, Fixed, "0"},  // "-0" after trimming becomes "0"
      {2.7, 0, Fixed, "2"},
      {-2.7, 0, Fixed, "-2"},
      {-0.5, 0, Fixed, "0"},
      {2.5, 0, 7, "2"},
      {1.0 / 3.0, 4, -1, "0.3333"},
      {1e9 + 0.5, 10, 100, "1000000000.5"},
      {-1e9 - 0.5, 10, Fixed, "-1000000000"},
      // Beyond the 32-bit range the integer part stays exact.
      {3e9, 10, Fixed, "3000000000"},
      {3e9 + 0.25, 10, Fixed, "3000000000.2"},
      {-3e9, 10, Fixed, "-3000000000"},
      {1e12, 10, Fixed, "1000000000000"},
      {-1e12 - 0.5, 10, Fixed, "-1000000000000"},
      {1e12 + 0.7, 0, Fixed, "1000000000000"},
      {-4294967296.0, 0, Fixed, "-4294967296"},
  };
  for (const ModeRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << row.value << " precision " << row.precision << " mode "
                                    << row.mode);
    EXPECT_EQ(Value(row.value, row.precision, row.mode, false), row.text);
  }
}

TEST(FormatValueTest, FixedHugeValueIsExactAndFitsTheBuffer) {
  const std::string max =
      "179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540"
      "458953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133"
      "942304583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368";
  EXPECT_EQ(Value(DBL_MAX, 10, Fixed, false), max);
  EXPECT_EQ(Value(-DBL_MAX, 14, Fixed, false), "-" + max);
  EXPECT_EQ(Value(-DBL_MAX, 0, Fixed, false), "-" + max);
}

struct FixedRow {
  double value;
  int32_t precision;
  bool keepZeros;
  const char* text;
};

TEST(FormatFixedTest, PrecisionAndZeros) {
  const FixedRow rows[] = {
      {2.0, 4, true, "2"},  // whole numbers always lose their decimals
      {2.5, 4, true, "2.5000"},
      {2.5, 4, false, "2.5"},
      {-2.5, 4, true, "-2.5000"},
      {0.5, 14, true, "0.5000000000"},  // 11 characters at most
      {0.5, 15, true, "0.5000000000"},  // above 14 counts as 14
      {0.5, -1, true, "0.5000000000"},  // below 0 counts as 14
      {0.5, INT32_MIN, true, "0.5000000000"},
      {0.5, INT32_MAX, true, "0.5000000000"},
      {123.0, 2, true, "123"},
      {123.25, 1, true, "123.2"},  // an exact tie: the conversion's own rounding
      {123.26, 1, true, "123.3"},
      {1234567.5, 14, true, "1234567.5000"},
      {-1234567.5, 14, true, "-1234567.500"},
      {999999999.999, 10, false, "1000000000"},  // rounding carries into the integer digits
      {9.999999999999, 10, false, "10"},
      {-0.00000000004, 10, true, "-0.0000000000"},  // not trimmed, so not "-0"
      {-0.00000000004, 10, false, "0"},
      {0.25, 1, false, "0.2"},
  };
  for (const FixedRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << row.value << " precision " << row.precision << " keepZeros "
                                    << row.keepZeros);
    WString out;
    FormatFixed(out, row.value, row.precision, row.keepZeros);
    EXPECT_EQ(Show(out), row.text);
  }
}

TEST(FormatFixedTest, KeepZerosInExponentForms) {
  WString out;
  FormatScientific(out, 150000.0, 4, true);
  out.Append(u' ');
  FormatEngineering(out, 150000.0, 4, true);
  out.Append(u' ');
  FormatScientific(out, 100000.0, 4, true);
  out.Append(u' ');
  FormatDecimal(out, 0.25, 4, true, Auto);
  EXPECT_EQ(Show(out), "1.5000ᴇ5 150ᴇ3 1ᴇ5 0.2500");
}

TEST(FormatValueTest, ExtremePrecisions) {
  EXPECT_EQ(Value(1.0 / 3.0, INT32_MAX, Auto, false), "0.3333333333");
  EXPECT_EQ(Value(1.0 / 3.0, INT32_MIN, Auto, false), "0.3333333333");
  EXPECT_EQ(Value(kPi, INT32_MIN, Scientific, false), "3.1415926536ᴇ0");
}

TEST(FormatValueTest, MemorySlotCaptions) {
  const ModeRow rows[] = {
      // Above 99999: precision 2, Scientific.
      {123456.789, 2, Scientific, "1.23ᴇ5"},
      {-987654321.0, 2, Scientific, "-9.88ᴇ8"},
      {100000.4, 2, Scientific, "1ᴇ5"},
      {1e300, 2, Scientific, "1ᴇ300"},
      // Up to 99999 the caller truncates to a whole number first.
      {std::trunc(12345.678), 3, Auto, "12345"},
      {std::trunc(-100.9), 3, Auto, "-100"},
      // Up to 99: precision 3, Auto.
      {42.12345, 3, Auto, "42.123"},
      {-0.5, 3, Auto, "-0.5"},
      {0.0004, 3, Auto, "4ᴇ-4"},
      {99.0, 3, Auto, "99"},
  };
  for (const ModeRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << row.value << " precision " << row.precision);
    EXPECT_EQ(Value(row.value, row.precision, row.mode, false), row.text);
  }
  EXPECT_EQ(Value(1.25, 3, Auto, true), "5/4");
  EXPECT_EQ(Value(std::trunc(150.5), 3, Auto, true), "150");
  EXPECT_EQ(Value(123456.0, 2, Scientific, true), "1.23ᴇ5");  // beyond the fraction range
}

TEST(FormatValueTest, AppendsToTheCallersText) {
  WString out(u"(");
  FormatValue(out, 1.25, 10, Auto, true);
  FormatValue(out, -1e9 - 1, 10, Auto, false);
  out.Append(u")");
  EXPECT_EQ(Show(out), "(5/4-1.000000001ᴇ9)");
}

// Every fraction with numerator and denominator below 100 comes back as
// itself; negative ones either come back or fall back to decimal (a partial
// quotient of -1 can exhaust the search), never to another fraction.
TEST(FindFractionTest, SmallFractionsRoundTrip) {
  int negativeFallbacks = 0;
  for (int32_t q = 1; q < 100; ++q) {
    for (int32_t p = 1; p < 100; ++p) {
      if (std::gcd(p, q) != 1) continue;
      const double v = static_cast<double>(p) / q;
      SCOPED_TRACE(testing::Message() << p << "/" << q);
      const std::string expected = q == 1 ? std::to_string(p) : std::to_string(p) + "/" + std::to_string(q);
      EXPECT_EQ(Answer(v, true), expected);

      const std::string negative = Answer(-v, true);
      if (negative != "-" + expected) {
        ++negativeFallbacks;
        EXPECT_EQ(negative, Answer(-v, false));
      }
    }
  }
  // -0.75 is one of them: below -1/2 the first partial quotient is -1, and the
  // rest must then end on an exactly zero remainder (-2/3 does).
  EXPECT_GT(negativeFallbacks, 0);
}

TEST(FindFractionTest, Results) {
  struct FractionRow {
    double value;
    bool found;
    int32_t numerator;
    int32_t denominator;
  };
  const FractionRow rows[] = {
      {0.75, true, 3, 4},
      {1.0, true, 1, 1},
      {-0.5, true, -1, 2},
      {-1.5, true, -3, 2},
      {-2.0 / 3.0, true, -2, 3},
      {7.0, true, 7, 1},
      {1234.5, true, 2469, 2},
      {1.0 / 3.0 + 1e-12, true, 1, 3},  // within the tolerance
      {-0.75, false, 0, 1},
      // The integer part must fit in 32 bits; a saturated one would turn 3e9
      // into 2147483647/1.
      {3e9, false, 0, 1},
      {-3e9, false, 0, 1},
      {2147483648.0, false, 0, 1},
      {2147483647.0, true, 2147483647, 1},
      {kNaN, false, 0, 1},
      {kInf, false, 0, 1},
      {-kInf, false, 0, 1},
  };
  for (const FractionRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << row.value);
    int32_t n = -77;
    int32_t d = -77;
    EXPECT_EQ(FindFraction(row.value, n, d), row.found);
    EXPECT_EQ(n, row.numerator);
    EXPECT_EQ(d, row.denominator);
  }
}

// In 32-bit arithmetic the search for these values wraps: 90/91 + 1e-13 came
// out as 57/57 and 32/95 - 1e-13 as 31/93. Both must fall back to decimal.
TEST(FindFractionTest, OverflowFailsInsteadOfWrapping) {
  const Row rows[] = {
      {90.0 / 91.0 + 1e-13, "0.989010989"},
      {32.0 / 95.0 - 1e-13, "0.3368421053"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hexfloat << row.value);
    int32_t n = 0;
    int32_t d = 0;
    if (FindFraction(row.value, n, d)) {
      // Any fraction it does report must be close to the value.
      EXPECT_NEAR(static_cast<double>(n) / d, row.value, 1e-9);
    }
    EXPECT_EQ(Answer(row.value, true), row.text);
  }
}

TEST(FindFractionTest, SearchIsBoundedAndRepeatable) {
  // Each search starts afresh: a failed one does not spoil the next.
  int32_t n = 0;
  int32_t d = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(FindFraction(-0.75, n, d));
    EXPECT_TRUE(FindFraction(0.75, n, d));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(d, 4);
  }
  // Remainders whose reciprocals lie far beyond 32 bits, and the smallest
  // values, end within the budget.
  for (double v : {1e-300, -1e-300, 5e-324, 1.0 + 1e-15, -2147483648.5, 0.1 + 1e-17, 1e-9}) {
    SCOPED_TRACE(v);
    if (FindFraction(v, n, d)) {
      EXPECT_NE(d, 0);
      EXPECT_NEAR(static_cast<double>(n) / d, v, 1e-9 * std::fmax(1.0, std::fabs(v)));
    }
  }
}

TEST(ExpandFractionTest, ContinuedFractionLevels) {
  struct ExpandRow {
    double x;
    double tolerance;
    int32_t whole;
    int32_t p;
    int32_t q;
  };
  const ExpandRow rows[] = {
      {2.25, 1e-10, 2, 1, 4},
      {0.75, 1e-10, 0, 3, 4},
      {-0.5, 1e-10, 0, 1, -2},  // the sign sits on q; FindFraction moves it
      {5.0, 1e-10, 5, 0, 1},
      {3.3, 0.5, 3, 0, 1},  // remainder within a wide tolerance
      {1e300, 1e-10, INT32_MAX, 1, 0},  // saturated: the remainder stays infinite
      {kNaN, 1e-10, 0, 0, 1},
  };
  for (const ExpandRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "x " << row.x);
    int32_t p = -77;
    int32_t q = -77;
    EXPECT_EQ(ExpandFraction(row.x, p, q, row.tolerance), row.whole);
    EXPECT_EQ(p, row.p);
    EXPECT_EQ(q, row.q);
  }
}

}  // namespace
}  // namespace abacine
