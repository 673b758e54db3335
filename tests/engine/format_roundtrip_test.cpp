// Answer texts typed back in: a text FormatValue writes at precision 10 in
// Auto mode evaluates to a value whose answer text is the same. Three
// departures are allowed, each only in its exact form:
// - a mantissa that rounded up to 10 comes back normalised ("10ᴇ12" gives
//   1e13, shown "1ᴇ13");
// - just outside [1e-9, 1e9] the exponent form is chosen before rounding, so
//   "1ᴇ9" comes back as "1000000000" and "10ᴇ-10" as "0.000000001";
// - with fractions on, a value near a negative fraction whose own search runs
//   out of steps shows decimals that read back to the exact fraction, whose
//   search succeeds ("-0.5" for -0.5000000000000021 comes back "-1/2"); its
//   decimal text is still the same.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "engine/interpreter.h"
#include "numeric/format.h"

namespace abacine {
namespace {

constexpr char16_t kExp = u'\u0080';

std::string Show(const WString& text) {
  std::string s;
  for (char16_t c : text.View()) {
    if (c == kExp) {
      s += "ᴇ";
    } else {
      s += static_cast<char>(c);
    }
  }
  return s;
}

WString Answer(double v, bool fractions) {
  WString out;
  FormatValue(out, v, 10, Auto, fractions);
  return out;
}

// "10ᴇ12" and "-10ᴇ-10" written as "1ᴇ13" and "-1ᴇ-9"; any other text as is.
std::string Normalised(const std::string& text) {
  const size_t mark = text.find("ᴇ");
  const std::string mantissa = text.substr(0, mark);
  if (mark == std::string::npos || (mantissa != "10" && mantissa != "-10")) return text;
  const int exponent = std::stoi(text.substr(mark + std::strlen("ᴇ")));
  return mantissa.substr(0, mantissa.size() - 1) + "ᴇ" + std::to_string(exponent + 1);
}

bool SameNumberAcrossBoundary(const std::string& exponentForm, const std::string& fixed) {
  const std::string e = Normalised(exponentForm);
  return (e == "1ᴇ9" && fixed == "1000000000") || (e == "-1ᴇ9" && fixed == "-1000000000") ||
         (e == "1ᴇ-9" && fixed == "0.000000001") || (e == "-1ᴇ-9" && fixed == "-0.000000001");
}

// Empty when v round-trips; otherwise what went wrong.
std::string CheckRoundTrip(double v, bool fractions) {
  const WString text = Answer(v, fractions);
  const std::string shown = Show(text);
  double back = 0;
  int32_t error = 0;
  std::ostringstream where;
  where << std::hexfloat << v << (fractions ? " fractions: " : ": ") << shown;
  if (!Evaluate(text.CStr(), back, error)) return where.str() + " fails with code " + std::to_string(error);
  const WString againText = Answer(back, fractions);
  const std::string again = Show(againText);
  where << " -> " << back << " -> " << again;

  // Memory recall inserts the text in brackets.
  double recalled = 0;
  const WString bracketed = WString(u"(") + text.CStr() + u")";
  if (!Evaluate(bracketed.CStr(), recalled, error) || recalled != back) return where.str() + " differs in brackets";

  // One trip reaches a text that then stays put.
  double settled = 0;
  if (!Evaluate(againText.CStr(), settled, error) || Show(Answer(settled, fractions)) != again) {
    return where.str() + " does not settle";
  }
  const bool fractionFound = fractions && shown.find('/') == std::string::npos &&
                             again.find('/') != std::string::npos && Show(Answer(back, false)) == shown;
  if (again == shown || again == Normalised(shown) || SameNumberAcrossBoundary(shown, again) || fractionFound) {
    return {};
  }
  return where.str();
}

class Values {
 public:
  explicit Values(uint64_t seed) : rng_(seed) {}

  // Cycles through any bit pattern, every magnitude a calculator shows, small
  // fractions, short decimals as users type them, and close neighbours of the
  // values where the form changes.
  double Next(int kind) {
    switch (kind % 5) {
      case 0:
        for (;;) {
          const uint64_t bits = rng_();
          double v = 0;
          std::memcpy(&v, &bits, sizeof v);
          if (std::isfinite(v)) return v;
        }
      case 1:
        return Sign() * std::pow(10.0, Uniform(-14.0, 14.0));
      case 2: {
        const double p = static_cast<double>(1 + rng_() % 99);
        const double q = static_cast<double>(1 + rng_() % 99);
        return Sign() * p / q;
      }
      case 3: {
        const double digits = static_cast<double>(rng_() % 100000000);
        return Sign() * digits / std::pow(10.0, static_cast<double>(rng_() % 16));
      }
      default: {
        static constexpr double kEdges[] = {1e9, 1e-9, 1e-10, 1e7, 1e-8, 1.0, 10.0, 0.5, 1e15, 1e-15};
        double v = kEdges[rng_() % std::size(kEdges)];
        const int steps = static_cast<int>(rng_() % 41) - 20;
        for (int i = 0; i < std::abs(steps); ++i) v = std::nextafter(v, steps > 0 ? HUGE_VAL : 0.0);
        return Sign() * v;
      }
    }
  }

 private:
  double Sign() { return (rng_() & 1) != 0 ? -1.0 : 1.0; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * static_cast<double>(rng_() >> 11) * 0x1p-53; }

  std::mt19937_64 rng_;
};

TEST(FormatRoundTripTest, RandomValues) {
  Values values(20240611);
  int failures = 0;
  for (int i = 0; i < 100000 && failures < 20; ++i) {
    const double v = values.Next(i);
    for (bool fractions : {false, true}) {
      const std::string fault = CheckRoundTrip(v, fractions);
      if (!fault.empty()) {
        ++failures;
        ADD_FAILURE() << fault;
      }
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(FormatRoundTripTest, EdgeValues) {
  const double rows[] = {
      0.0, -0.0, 1.0 / 3.0, 0.1 + 0.2, -0.75, 22.0 / 7.0, 99.5, 123456789.123, -3.14159265358979,
      1e9, -1e9, 1e9 + 0.5, 1e-9, -1e-9, 1e-10, 5e-10, 9.99999999999e12, -9.99999999999e-12,
      1e7, 1e-8, 2147483648.0, 1e15, 1e100, 1e300, 1e-300, 1e308, -1e308,
      1.7976931348e308,  // the largest answer text below DBL_MAX's, which overflows
      DBL_MIN, -DBL_MIN, -3.3e-310,
      // A single 10^right underflows below about 1e-308; the deepest
      // subnormals must still read back as themselves, not as 0.
      std::numeric_limits<double>::denorm_min(), 1e-320, -3e-322, 2.5e-318,
  };
  for (double v : rows) {
    for (bool fractions : {false, true}) {
      EXPECT_EQ(CheckRoundTrip(v, fractions), "");
    }
  }
}

}  // namespace
}  // namespace abacine
