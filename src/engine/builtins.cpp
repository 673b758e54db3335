#include "engine/builtins.h"

#include <cmath>
#include <cstdint>
#include <numeric>

#include "engine/angle_mode.h"
#include "engine/angle_trig.h"
#include "engine/builtin_table.h"
#include "numeric/constants.h"
#include "numeric/distributions.h"
#include "numeric/gamma.h"
#include "numeric/trunc_int.h"

namespace abacine {
namespace {

constexpr double kHalfPi = 1.5707963267948966;

// Where the textbook logarithm forms of the inverse hyperbolic functions
// are accurate they are used as written; outside those intervals (near 0,
// where ln(1 + tiny) loses the argument, for large magnitudes, where x*x
// overflows or the quotient tends to 1, and for negative arguments of
// asinh, where sqrt(x*x + 1) + x cancels) the C library's functions or an
// odd symmetry take over, so every finite answer comes out finite and
// accurate.
constexpr double kSquareLimit = 1e150;

double Asinh(double x) {
  const double a = std::fabs(x);
  if (a >= 0.5 && a <= kSquareLimit) {
    const double r = std::log(std::sqrt(a * a + 1) + a);
    return x < 0 ? -r : r;
  }
  return std::asinh(x);
}

double Acosh(double x) {
  if (x >= 2 && x <= kSquareLimit) return std::log(std::sqrt(x * x - 1) + x);
  return std::acosh(x);
}

double Atanh(double x) {
  if (std::fabs(x) >= 0.5) return std::log((x + 1) / (1 - x)) * 0.5;
  return std::atanh(x);
}

// ln((1 + sqrt(1 - x^2)) / x), the principal value, split into two
// logarithms so that it neither cancels near x = 1 nor overflows for tiny x.
double Asech(double x) { return std::log1p(std::sqrt((1 - x) * (1 + x))) - std::log(x); }

// asinh(1/x): ln((1 + sqrt(x^2 + 1)) / |x|) for |x| <= 1, asinh(1/x)
// beyond, with the sign of x.
double Acsch(double x) {
  const double a = std::fabs(x);
  if (a == 0) return 1 / x;  // the pole: an infinity of x's sign
  double r;
  if (a <= 1) {
    r = std::log1p(std::sqrt(a * a + 1)) - std::log(a);
  } else {
    r = std::asinh(1 / a);
  }
  return x < 0 ? -r : r;
}

double Acoth(double x) {
  if (std::fabs(x) <= 2) return std::log((x + 1) / (x - 1)) * 0.5;
  return std::atanh(1 / x);
}

// atan(1/x), moved up by pi for x < 0: the same values as pi/2 - atan(x),
// which cancels to nothing for large x.
double Acot(double x) {
  if (x > 0) return std::atan(1 / x);
  if (x < 0) return kPi + std::atan(1 / x);
  return x == 0 ? kHalfPi : x;  // +-0, and NaN
}

double Sign(double x) {
  if (x == 0) return 0;
  return x < 0 ? -1 : 1;  // NaN counts as positive
}

// Truncation toward zero. Inside the signed 32-bit range this is TruncInt;
// beyond it (and for infinities and NaN) the exact truncation, so that
// iPart(1e10) is 1e10 rather than a saturated 2147483647.
double IntegerPart(double x) {
  if (std::fabs(x) < 2147483648.0) return TruncInt(x);
  return std::trunc(x);
}

bool IsExactWhole(double x) { return std::fabs(x) <= kLargestExactWhole && std::trunc(x) == x; }

// GCD and LCM of whole numbers up to 2^53 in magnitude, by their absolute
// values: GCD(0, 0) is 0, LCM with a 0 argument is 0, and an LCM beyond
// 2^53 has no exact double and fails like a too large argument.
bool WholeGcdLcm(bool lcm, const double* args, int32_t count, double& result) {
  uint64_t acc = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!IsExactWhole(args[i])) return false;
    const auto v = static_cast<uint64_t>(std::fabs(args[i]));
    if (i == 0) {
      acc = v;
    } else if (!lcm) {
      acc = std::gcd(acc, v);
    } else if (acc == 0 || v == 0) {
      acc = 0;
    } else {
      constexpr auto kLimit = static_cast<uint64_t>(kLargestExactWhole);
      const uint64_t q = acc / std::gcd(acc, v);
      if (q > kLimit / v) return false;  // q * v would pass 2^53
      acc = q * v;
    }
  }
  result = static_cast<double>(acc);
  return true;
}

double OneArgument(int32_t id, double x) {
  switch (id) {
    case kIdSin: return SinInMode(x);
    case kIdCos: return CosInMode(x);
    case kIdTan: return TanInMode(x);
    case kIdAsin: return FromRadians(std::asin(x));
    case kIdAcos: return FromRadians(std::acos(x));
    case kIdAtan: return FromRadians(std::atan(x));
    case kIdCsc: return 1 / SinInMode(x);
    case kIdSec: return 1 / CosInMode(x);
    case kIdCot: return 1 / TanInMode(x);
    // Principal values: acsc in [-pi/2, pi/2], asec in [0, pi], acot in (0, pi).
    case kIdAcsc: return FromRadians(std::asin(1 / x));
    case kIdAsec: return FromRadians(std::acos(1 / x));
    case kIdAcot: return FromRadians(Acot(x));
    case kIdCosh: return std::cosh(x);
    case kIdSinh: return std::sinh(x);
    case kIdTanh: return std::tanh(x);
    case kIdAsinh: return Asinh(x);
    case kIdAcosh: return Acosh(x);
    case kIdAtanh: return Atanh(x);
    case kIdCsch: return 1 / std::sinh(x);
    case kIdSech: return 1 / std::cosh(x);
    case kIdCoth: return 1 / std::tanh(x);
    case kIdAsech: return Asech(x);
    case kIdAcsch: return Acsch(x);
    case kIdAcoth: return Acoth(x);
    case kIdLog10: return std::log10(x);
    case kIdLn: return std::log(x);
    case kIdCeiling: return std::ceil(x);
    case kIdFloor: return std::floor(x);
    case kIdSign: return Sign(x);
    case kIdFPart: return x - IntegerPart(x);
    case kIdIPart: return IntegerPart(x);
    case kIdAbs: return std::fabs(x);
    case kIdSqrt: return std::sqrt(x);
    case kIdWavelet: return HaarWavelet(x);
    case kIdUnitStep: return x >= 0 ? 1.0 : 0.0;
    case kIdRe: return x;
    case kIdIm: return 0.0;
    case kIdExp: return std::pow(kE, x);
    default: return std::nan("");  // not reached: BuiltinTakes filters ids
  }
}

}  // namespace

bool BuiltinTakes(int32_t id, int32_t count) {
  if ((id >= kIdSin && id <= kIdSqrt) || (id >= kIdWavelet && id <= kIdIm) || id == kIdExp) return count == 1;
  switch (id) {
    case kIdNPr: case kIdNCr: case kIdAtan2: case kIdStudentTPdf: case kIdChiSquarePdf:
    case kIdPoissonPdf: case kIdPoissonCdf: case kIdGeoPdf: case kIdGeoCdf:
      return count == 2;
    case kIdStudentTCdf: case kIdChiSquareCdf: case kIdFPdf: case kIdBinomialPdf: case kIdBinomialCdf:
    case kIdWave:
      return count == 3;
    case kIdFCdf:
      return count == 4;
    case kIdNormalPdf: case kIdInverseNormal:
      return count == 1 || count == 3;
    case kIdNormalCdf:
      return count == 2 || count == 4;
    case kIdGcd: case kIdLcm:
      return count >= 2;
    default:
      return false;
  }
}

bool ComputeBuiltin(int32_t id, const double* args, int32_t count, double& result) {
  if (!BuiltinTakes(id, count)) return false;
  const double* a = args;
  switch (id) {
    // A negative count has no meaning, like GCD of a fraction.
    case kIdNPr: result = Permutations(a[0], a[1]); return !(a[1] < 0);
    case kIdNCr: result = Combinations(a[0], a[1]); return !(a[1] < 0);
    // atan2(x, y) is the angle of the point (x, y).
    case kIdAtan2: result = FromRadians(std::atan2(a[1], a[0])); return true;
    case kIdNormalPdf:
      result = count == 1 ? NormalPdf(a[0], 0, 1) : NormalPdf(a[0], a[1], a[2]);
      return true;
    case kIdNormalCdf:
      result = count == 2 ? NormalCdf(a[0], a[1], 0, 1) : NormalCdf(a[0], a[1], a[2], a[3]);
      return true;
    case kIdInverseNormal:
      result = count == 1 ? InverseNormal(a[0]) : a[1] + a[2] * InverseNormal(a[0]);
      return true;
    case kIdStudentTPdf: result = StudentTPdf(a[0], a[1]); return true;
    case kIdStudentTCdf: result = StudentTCdf(a[0], a[1], a[2]); return true;
    case kIdChiSquarePdf: result = ChiSquarePdf(a[0], a[1]); return true;
    case kIdChiSquareCdf: result = ChiSquareCdf(a[0], a[1], a[2]); return true;
    case kIdFPdf: result = FPdf(a[0], a[1], a[2]); return true;
    case kIdFCdf: result = FCdf(a[0], a[1], a[2], a[3]); return true;
    case kIdBinomialPdf: result = BinomialPdf(a[0], a[1], a[2]); return true;
    case kIdBinomialCdf: result = BinomialCdf(a[0], a[1], a[2]); return true;
    case kIdPoissonPdf: result = PoissonPdf(a[0], a[1]); return true;
    case kIdPoissonCdf: result = PoissonCdf(a[0], a[1]); return true;
    case kIdGeoPdf: result = GeoPdf(a[0], a[1]); return true;
    case kIdGeoCdf: result = GeoCdf(a[0], a[1]); return true;
    case kIdWave: result = Wave(a[0], a[1], a[2]); return true;
    case kIdGcd: return WholeGcdLcm(false, a, count, result);
    case kIdLcm: return WholeGcdLcm(true, a, count, result);
    default: result = OneArgument(id, a[0]); return true;
  }
}

}  // namespace abacine
