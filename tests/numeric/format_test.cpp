#include "numeric/format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string>
#include <tuple>
#include <vector>

#include "numeric_support.h"

namespace abacine {
namespace {

using test::kInf;
using test::kNaN;

constexpr double kPi = 3.14159265358979323846;

// Readable form of an answer: the exponent sign U+0080 shows as "ᴇ"; any
// other unit outside ASCII shows as <N>, so it can never pass for either.
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

std::string Answer(double v, bool fractions) { return Value(v, 10, Auto, fractions); }

struct Row {
  double value;
  const char* text;
};

// Answers: precision 10 in Auto mode.
void ExpectAnswers(const std::vector<Row>& rows, bool fractions) {
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << std::hexfloat << row.value);
    EXPECT_EQ(Answer(row.value, fractions), row.text);
  }
}

TEST(FormatValueTest, DecimalAnswers) {
  ExpectAnswers(
      {
          {1.0 / 3.0, "0.3333333333"},     {2.0 / 3.0, "0.6666666667"},   {12345.6789, "12345.6789"},
          {kPi, "3.1415926536"},           {1e9, "1000000000"},           {1e9 + 1, "1.000000001ᴇ9"},
          {1.5e-9, "0.0000000015"},        {5e-10, "5ᴇ-10"},              {0.1 + 0.2, "0.3"},
          {1e9 + 0.5, "1.0000000005ᴇ9"},   {1e-9, "0.000000001"},         {9e-10, "9ᴇ-10"},
          {2.0, "2"},                      {123456789.123, "123456789.12"}, {-2.5e15, "-2.5ᴇ15"},
          // The sign takes one of the 11 places; -1e9 has no room for
          // decimals and nothing to trim; -0.5 truncates to a one-character 0.
          {-kPi, "-3.141592654"},          {-1e9, "-1000000000"},         {-0.5, "-0.5"},
          // The mantissa is rounded after it is normalised.
          {std::nextafter(1e-9, 0.0), "10ᴇ-10"}, {9.99999999999e12, "10ᴇ12"},
          // It is scaled by multiplying (by 0.1 or 10), and the rounding of
          // those steps shows: dividing by 10 gives "10ᴇ71" here.
          {1e72, "1ᴇ72"},                  {1e-300, "10ᴇ-301"},
          {DBL_MAX, "1.7976931349ᴇ308"},   {-DBL_MAX, "-1.797693135ᴇ308"},
          {std::numeric_limits<double>::denorm_min(), "4.9406564584ᴇ-324"},
      },
      false);
}

// No mixed numbers; a whole number is the bare integer. pi's fraction has
// terms of 100 or more; for -0.75 the -1 partial quotient exhausts the
// search; 99.5 is 199/2 and 1/100 has a denominator of 100; the fraction
// range is open at both ends.
TEST(FormatValueTest, FractionAnswers) {
  ExpectAnswers(
      {
          {1.25, "5/4"},           {0.1 + 0.2, "3/10"},   {22.0 / 7.0, "22/7"},   {kPi, "3.1415926536"},
          {0.00001, "0.00001"},    {-0.5, "-1/2"},        {-1.5, "-3/2"},         {-0.75, "-0.75"},
          {0.75, "3/4"},           {-0.4, "-2/5"},        {1.0, "1"},             {-3.0, "-3"},
          {1.0 / 99.0, "1/99"},
          {99.5, "99.5"},          {1.0 / 100.0, "0.01"}, {1e7, "10000000"},      {1e-8, "0.00000001"},
      },
      true);
}

// Zero is "0" and NaN or an infinity "NaN" in every mode and from every
// form; FormatDecimal reports which it wrote.
TEST(FormatValueTest, ZeroAndNotFiniteInEveryMode) {
  for (int32_t mode : {0, 1, 2, 3, 4, 5, -1, 1000}) {
    for (bool fractions : {false, true}) {
      SCOPED_TRACE(testing::Message() << "mode " << mode << " fractions " << fractions);
      for (double zero : {0.0, -0.0}) {
        EXPECT_EQ(Value(zero, 10, mode, fractions), "0");
        EXPECT_EQ(Value(zero, 0, mode, fractions), "0");
      }
      for (double v : {kNaN, -kNaN, kInf, -kInf}) {
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
  WString out;
  EXPECT_TRUE(FormatDecimal(out, 0.0, 10, false, Auto));
  EXPECT_TRUE(FormatDecimal(out, -7.5, 10, false, Engineering));
  EXPECT_EQ(Show(out), "0-7.5ᴇ0");
}

TEST(FormatValueTest, ModesPrecisionsAndSlotCaptions) {
  struct ModeRow {
    double value;
    int32_t precision;
    int32_t mode;
    const char* text;
    bool fractions = false;
  };
  const ModeRow rows[] = {
      // Small-value rule: only Auto, only with a positive precision.
      {0.0004, 3, Auto, "4ᴇ-4"},            {0.001, 3, Auto, "0.001"},
      {-0.0004, 3, Auto, "-4ᴇ-4"},          {0.0004, 3, AutoRange, "0"},
      {0.0015, 3, AutoRange, "0.002"},      {1.5e-10, 0, Auto, "1ᴇ-10"},
      {0.7, 0, Auto, "0"},                  {2e9, 3, AutoRange, "2ᴇ9"},
      {12345.6789, 10, Scientific, "1.23456789ᴇ4"}, {-0.00012, 10, Scientific, "-1.2ᴇ-4"},
      {1.0, 10, Scientific, "1ᴇ0"},         {-1.0, 10, Scientific, "-1ᴇ0"},
      {10.0, 10, Scientific, "1ᴇ1"},        {5e-324, 4, Scientific, "4.9407ᴇ-324"},
      {9.99999999999e12, 0, Scientific, "9ᴇ12"},  // precision 0 truncates the mantissa
      {12345.6789, 10, Engineering, "12.3456789ᴇ3"}, {0.00012, 10, Engineering, "120ᴇ-6"},
      {-1234567.0, 10, Engineering, "-1.234567ᴇ6"}, {-0.5, 10, Engineering, "-500ᴇ-3"},
      {999.0, 10, Engineering, "999ᴇ0"},    {1000.0, 10, Engineering, "1ᴇ3"},
      {-1000.0, 10, Engineering, "-1ᴇ3"},
      // Fixed, and any unknown mode as Fixed; "-0" after trimming is "0".
      {5e-10, 10, Fixed, "0.0000000005"},   {1e-12, 10, Fixed, "0"},
      {-1e-12, 10, Fixed, "0"},             {2.7, 0, Fixed, "2"},
      {-2.7, 0, Fixed, "-2"},               {-0.5, 0, Fixed, "0"},
      {2.5, 0, 7, "2"},                     {1.0 / 3.0, 4, -1, "0.3333"},
      {1e9 + 0.5, 10, 100, "1000000000.5"}, {-1e9 - 0.5, 10, Fixed, "-1000000000"},
      // Beyond the 32-bit range the integer part stays exact.
      {3e9, 10, Fixed, "3000000000"},       {3e9 + 0.25, 10, Fixed, "3000000000.2"},
      {-1e12 - 0.5, 10, Fixed, "-1000000000000"}, {1e12 + 0.7, 0, Fixed, "1000000000000"},
      {-4294967296.0, 0, Fixed, "-4294967296"},
      {1.0 / 3.0, INT32_MAX, Auto, "0.3333333333"}, {1.0 / 3.0, INT32_MIN, Auto, "0.3333333333"},
      {kPi, INT32_MIN, Scientific, "3.1415926536ᴇ0"},
      // Slot captions: above 99999 precision 2 Scientific; up to 99999 the
      // caller truncates to a whole number first; up to 99 precision 3 Auto.
      {123456.789, 2, Scientific, "1.23ᴇ5"}, {-987654321.0, 2, Scientific, "-9.88ᴇ8"},
      {100000.4, 2, Scientific, "1ᴇ5"},     {std::trunc(-100.9), 3, Auto, "-100"},
      {42.12345, 3, Auto, "42.123"},        {-0.5, 3, Auto, "-0.5"},
      {1.25, 3, Auto, "5/4", true},         {std::trunc(150.5), 3, Auto, "150", true},
      {123456.0, 2, Scientific, "1.23ᴇ5", true},
  };
  for (const ModeRow& row : rows) {
    SCOPED_TRACE(testing::Message() << "value " << row.value << " precision " << row.precision << " mode "
                                    << row.mode << " fractions " << row.fractions);
    EXPECT_EQ(Value(row.value, row.precision, row.mode, row.fractions), row.text);
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

TEST(FormatFixedTest, PrecisionAndZeros) {
  const std::tuple<double, int32_t, bool, const char*> rows[] = {
      // Whole numbers always lose their decimals; at most 11 characters;
      // a precision outside 0..14 counts as 14.
      {2.0, 4, true, "2"},                   {2.5, 4, true, "2.5000"},            {2.5, 4, false, "2.5"},
      {0.5, 14, true, "0.5000000000"},       {0.5, 15, true, "0.5000000000"},     {0.5, -1, true, "0.5000000000"},
      {0.5, INT32_MIN, true, "0.5000000000"}, {0.5, INT32_MAX, true, "0.5000000000"},
      {1234567.5, 14, true, "1234567.5000"}, {-1234567.5, 14, true, "-1234567.500"},
      {123.25, 1, true, "123.2"},  // an exact tie: the conversion's own rounding
      {123.26, 1, true, "123.3"},
      // Rounding carries into the integer digits.
      {999999999.999, 10, false, "1000000000"}, {9.999999999999, 10, false, "10"},
      {-0.00000000004, 10, true, "-0.0000000000"},  // not trimmed, so not "-0"
      {-0.00000000004, 10, false, "0"},
  };
  for (const auto& [value, precision, keepZeros, text] : rows) {
    SCOPED_TRACE(testing::Message() << "value " << value << " precision " << precision << " keepZeros "
                                    << keepZeros);
    WString out;
    FormatFixed(out, value, precision, keepZeros);
    EXPECT_EQ(Show(out), text);
  }
}

// Every routine appends to the caller's text; keepZeros holds in the
// exponent forms too.
TEST(FormatFixedTest, AppendsAndKeepsZerosInExponentForms) {
  WString out(u"(");
  FormatValue(out, 1.25, 10, Auto, true);
  FormatValue(out, -1e9 - 1, 10, Auto, false);
  out.Append(u") ");
  FormatScientific(out, 150000.0, 4, true);
  out.Append(u' ');
  FormatEngineering(out, 150000.0, 4, true);
  out.Append(u' ');
  FormatScientific(out, 100000.0, 4, true);
  out.Append(u' ');
  FormatDecimal(out, 0.25, 4, true, Auto);
  EXPECT_EQ(Show(out), "(5/4-1.000000001ᴇ9) 1.5000ᴇ5 150ᴇ3 1ᴇ5 0.2500");
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
  const std::tuple<double, bool, int32_t, int32_t> rows[] = {
      {0.75, true, 3, 4},           {1.0, true, 1, 1},           {-0.5, true, -1, 2},
      {-1.5, true, -3, 2},          {-2.0 / 3.0, true, -2, 3},   {7.0, true, 7, 1},
      {1234.5, true, 2469, 2},      {1.0 / 3.0 + 1e-12, true, 1, 3},  // within the tolerance
      {-0.75, false, 0, 1},
      // The integer part must fit in 32 bits; a saturated one would turn 3e9
      // into 2147483647/1.
      {3e9, false, 0, 1},           {-3e9, false, 0, 1},         {2147483648.0, false, 0, 1},
      {2147483647.0, true, 2147483647, 1},                       {kNaN, false, 0, 1},
      {kInf, false, 0, 1},          {-kInf, false, 0, 1},
  };
  for (const auto& [value, found, numerator, denominator] : rows) {
    SCOPED_TRACE(testing::Message() << "value " << value);
    int32_t n = -77;
    int32_t d = -77;
    EXPECT_EQ(FindFraction(value, n, d), found);
    EXPECT_EQ(n, numerator);
    EXPECT_EQ(d, denominator);
  }
}

// In 32-bit arithmetic the search for the first two values wraps: 90/91 +
// 1e-13 came out as 57/57 and 32/95 - 1e-13 as 31/93; they must fall back to
// decimal. Remainders whose reciprocals lie far beyond 32 bits, and the
// smallest values, end within the budget. Any fraction reported is close.
TEST(FindFractionTest, SearchIsBoundedAndNeverWraps) {
  EXPECT_EQ(Answer(90.0 / 91.0 + 1e-13, true), "0.989010989");
  EXPECT_EQ(Answer(32.0 / 95.0 - 1e-13, true), "0.3368421053");
  int32_t n = 0;
  int32_t d = 0;
  for (double v : {90.0 / 91.0 + 1e-13, 32.0 / 95.0 - 1e-13, 1e-300, -1e-300, 5e-324, 1.0 + 1e-15,
                   -2147483648.5, 0.1 + 1e-17, 1e-9}) {
    SCOPED_TRACE(v);
    if (FindFraction(v, n, d)) {
      EXPECT_NE(d, 0);
      EXPECT_NEAR(static_cast<double>(n) / d, v, 1e-9 * std::fmax(1.0, std::fabs(v)));
    }
  }
  // Each search starts afresh: a failed one does not spoil the next.
  for (int i = 0; i < 3; ++i) {
    EXPECT_FALSE(FindFraction(-0.75, n, d));
    EXPECT_TRUE(FindFraction(0.75, n, d));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(d, 4);
  }
}

TEST(FindFractionTest, ExpandFractionLevels) {
  const std::tuple<double, double, int32_t, int32_t, int32_t> rows[] = {
      {2.25, 1e-10, 2, 1, 4},          {0.75, 1e-10, 0, 3, 4},
      {-0.5, 1e-10, 0, 1, -2},         // the sign sits on q; FindFraction moves it
      {5.0, 1e-10, 5, 0, 1},           {3.3, 0.5, 3, 0, 1},  // remainder within a wide tolerance
      {1e300, 1e-10, INT32_MAX, 1, 0},  // saturated: the remainder stays infinite
      {kNaN, 1e-10, 0, 0, 1},
  };
  for (const auto& [x, tolerance, whole, wantP, wantQ] : rows) {
    SCOPED_TRACE(testing::Message() << "x " << x);
    int32_t p = -77;
    int32_t q = -77;
    EXPECT_EQ(ExpandFraction(x, p, q, tolerance), whole);
    EXPECT_EQ(p, wantP);
    EXPECT_EQ(q, wantQ);
  }
}

}  // namespace
}  // namespace abacine
