#include "numeric/format.h"

#include <cmath>
#include <cstddef>
#include <cstdio>

#include "numeric/trunc_int.h"
#include "text/signs.h"

namespace abacine {
namespace {

// Digits after the point and integer digits (sign included) together.
constexpr int32_t kFixedWidth = 11;
constexpr int32_t kMaxDecimals = 14;

// Room for the longest fixed text any double can produce: "%.0f" of -DBL_MAX
// is 310 characters; the widest decimal conversion made here is far shorter.
constexpr size_t kFixedBufferSize = 352;

constexpr int32_t kFractionStepBudget = 1000;
constexpr double kFractionTolerance = 1e-10;

// Steps of the current fraction search; FindFraction resets it. A value above
// the budget marks the search as failed.
int32_t g_fractionSteps = 0;

bool FitsInt32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// True when the integer part of a finite value fits in a signed 32-bit integer.
bool IntegerPartFitsInt32(double value) { return value > -2147483649.0 && value < 2147483648.0; }

void AppendAscii(WString& out, const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) out.Append(static_cast<char16_t>(static_cast<unsigned char>(text[i])));
}

// Writes the integer part of a finite value; returns its length. The integer
// part is exact even beyond the 32-bit range (Fixed mode with a huge value):
// a saturated 2147483647 would be a wrong answer, and the buffer holds any
// double's digits.
size_t WriteIntegerPart(char* buffer, double value) {
  int written = 0;
  if (IntegerPartFitsInt32(value)) {
    written = std::snprintf(buffer, kFixedBufferSize, "%ld", static_cast<long>(TruncToInt32(value)));
  } else {
    written = std::snprintf(buffer, kFixedBufferSize, "%.0f", std::trunc(value));
  }
  if (written < 0) written = 0;
  if (static_cast<size_t>(written) >= kFixedBufferSize) written = static_cast<int>(kFixedBufferSize - 1);
  buffer[written] = '\0';
  return static_cast<size_t>(written);
}

// The "%f" conversion of a finite value with the given decimals. A locale
// other than "C" may write another radix character; it is read back as '.'
// so the answer always parses.
size_t WriteDecimals(char* buffer, double value, int32_t decimals) {
  char format[16];
  std::snprintf(format, sizeof format, "%%1.%df", static_cast<int>(decimals));
  char raw[kFixedBufferSize];
  int written = std::snprintf(raw, sizeof raw, format, value);
  if (written < 0) written = 0;
  size_t length = static_cast<size_t>(written);
  if (length >= sizeof raw) length = sizeof raw - 1;
  size_t out = 0;
  bool pointDone = false;
  for (size_t i = 0; i < length; ++i) {
    const char c = raw[i];
    if ((c >= '0' && c <= '9') || c == '-') {
      buffer[out++] = c;
    } else if (!pointDone) {
      buffer[out++] = '.';
      pointDone = true;
      // Skip the rest of a multi-byte radix.
      while (i + 1 < length && !(raw[i + 1] >= '0' && raw[i + 1] <= '9')) ++i;
    }
  }
  buffer[out] = '\0';
  return out;
}

bool HasPoint(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (text[i] == '.') return true;
  }
  return false;
}

// Exponent form shared by FormatScientific (base 10, step 1) and
// FormatEngineering (base 1000, step 3). The mantissa is scaled by repeated
// multiplication, never division, and rounded only afterwards.
void FormatExponent(WString& out, double value, int32_t precision, bool keepZeros, double base,
                    double invBase, int32_t step) {
  if (!std::isfinite(value)) {
    out.Append(u"NaN");  // an infinite mantissa would never normalise
    return;
  }
  double m = value;
  int32_t e = 0;
  if (value < 0) {
    if (m <= -base) {
      do {
        m *= invBase;
        e += step;
      } while (m <= -base);
    } else if (m > -1.0) {
      do {
        m *= base;
        e -= step;
      } while (m > -1.0);
    }
  } else if (value > 0) {
    if (m >= base) {
      do {
        m *= invBase;
        e += step;
      } while (m >= base);
    } else if (m < 1.0) {
      do {
        m *= base;
        e -= step;
      } while (m < 1.0);
    }
  }
  FormatFixed(out, m, precision, keepZeros);
  out.Append(kExponentSign);
  out.AppendInt(e);
}

// One level of the continued fraction behind ExpandFraction.
int32_t ExpandLevel(double x, int32_t& p, int32_t& q, double tolerance) {
  // Saturating: reciprocals of tiny remainders lie far beyond 32 bits.
  const int32_t a = TruncToInt32(x);
  const double f = x - a;
  p = 0;
  q = 1;
  // Checked before the increment so the counter itself cannot overflow.
  if (g_fractionSteps > kFractionStepBudget) return a;
  ++g_fractionSteps;
  if (g_fractionSteps > kFractionStepBudget) return a;  // bounds the depth too
  if (std::fabs(f) > tolerance) {
    // a with its sign, in double: a + 1 must not overflow at INT32_MAX.
    const double nextTolerance = (static_cast<double>(a) + 1.0) * tolerance;
    int32_t nextP = 0;
    int32_t nextQ = 1;
    // A zero remainder gets here once the tolerance has turned negative (a
    // partial quotient below -1); its reciprocal is the signed infinity.
    const double reciprocal = f == 0 ? std::copysign(HUGE_VAL, f) : 1.0 / f;
    const int32_t nextA = ExpandLevel(reciprocal, nextP, nextQ, nextTolerance);
    if (g_fractionSteps > kFractionStepBudget) return a;
    const int64_t denominator = static_cast<int64_t>(nextQ) * nextA + nextP;
    if (!FitsInt32(denominator)) {
      g_fractionSteps = kFractionStepBudget + 1;  // fail the whole search
      return a;
    }
    p = nextQ;
    q = static_cast<int32_t>(denominator);
  }
  return a;
}

}  // namespace

void FormatValue(WString& out, double value, int32_t precision, int32_t mode, bool fractions) {
  const double w = std::fabs(value);
  if (fractions && w < 1e7 && w > 1e-8) {
    int32_t numerator = 0;
    int32_t denominator = 1;
    if (FindFraction(value, numerator, denominator) && numerator > -100 && numerator < 100 &&
        denominator > -100 && denominator < 100) {
      out.AppendInt(numerator);
      if (denominator != 1) {
        out.Append(u'/');
        out.AppendInt(denominator);
      }
      return;
    }
  }
  FormatDecimal(out, value, precision, false, mode);
}

bool FormatDecimal(WString& out, double value, int32_t precision, bool keepZeros, int32_t mode) {
  if (!std::isfinite(value)) {
    out.Append(u"NaN");
    return false;
  }
  if (value == 0) {
    out.Append(u'0');
    return true;
  }
  // In double so that any precision, INT32_MIN included, is fine.
  const double u = std::pow(10.0, -static_cast<double>(precision));
  const double w = std::fabs(value);
  if (precision > 0 && mode == Auto && w < u) {
    FormatScientific(out, value, precision, keepZeros);
    return true;
  }
  switch (mode) {
    case Auto:
    case AutoRange:
      if (w <= 1e9 && w >= 1e-9) {
        FormatFixed(out, value, precision, keepZeros);
      } else {
        FormatScientific(out, value, precision, keepZeros);
      }
      break;
    case Scientific:
      FormatScientific(out, value, precision, keepZeros);
      break;
    case Engineering:
      FormatEngineering(out, value, precision, keepZeros);
      break;
    default:
      FormatFixed(out, value, precision, keepZeros);
      break;
  }
  return true;
}

void FormatFixed(WString& out, double value, int32_t precision, bool keepZeros) {
  if (!std::isfinite(value)) {
    out.Append(u"NaN");
    return;
  }
  char buffer[kFixedBufferSize];
  size_t length = WriteIntegerPart(buffer, value);
  if (precision == 0) {
    // Truncation, no rounding and no point.
    AppendAscii(out, buffer, length);
    return;
  }
  if (precision < 0 || precision > kMaxDecimals) precision = kMaxDecimals;
  const int32_t room = kFixedWidth - static_cast<int32_t>(length);
  if (room > 0) length = WriteDecimals(buffer, value, room < precision ? room : precision);

  if ((!keepZeros || std::fmod(value, 1.0) == 0) && HasPoint(buffer, length)) {
    while (length > 0 && buffer[length - 1] == '0') --length;
    if (length > 0 && buffer[length - 1] == '.') --length;
  }
  if (length == 2 && buffer[0] == '-' && buffer[1] == '0') {
    buffer[0] = '0';
    length = 1;
  }
  AppendAscii(out, buffer, length);
}

void FormatScientific(WString& out, double value, int32_t precision, bool keepZeros) {
  FormatExponent(out, value, precision, keepZeros, 10.0, 0.1, 1);
}

void FormatEngineering(WString& out, double value, int32_t precision, bool keepZeros) {
  FormatExponent(out, value, precision, keepZeros, 1000.0, 0.001, 3);
}

bool FindFraction(double value, int32_t& numerator, int32_t& denominator) {
  g_fractionSteps = 0;
  numerator = 0;
  denominator = 1;
  if (!std::isfinite(value) || !IntegerPartFitsInt32(value)) return false;
  if (value == 1.0) {
    numerator = 1;
    return true;
  }
  const int32_t whole = TruncToInt32(value);
  const double rest = value - whole;
  int32_t p = 0;
  int32_t q = 1;
  ExpandFraction(rest, p, q, kFractionTolerance);  // restarts the step count
  if (g_fractionSteps > kFractionStepBudget) return false;

  // 64-bit so that a numerator beyond the 32-bit range fails the search
  // instead of wrapping into a small, wrong fraction.
  int64_t num = static_cast<int64_t>(whole) * q + p;
  int64_t den = q;
  if (den == 0) return false;  // never a meaningful answer
  if (den < 0 && num > 0) {
    num = -num;
    den = -den;
  }
  if (!FitsInt32(num) || !FitsInt32(den)) return false;
  numerator = static_cast<int32_t>(num);
  denominator = static_cast<int32_t>(den);
  return true;
}

int32_t ExpandFraction(double x, int32_t& p, int32_t& q, double tolerance) {
  g_fractionSteps = 0;
  return ExpandLevel(x, p, q, tolerance);
}

}  // namespace abacine
