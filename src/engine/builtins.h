// What the builtin ids compute. Arguments arrive in written order; the
// interpreter takes them off its stack and pushes the result.
//
// Arity is strict: a call with a count its function does not take has no
// value. Counts taken:
//   1      ids 0-32 (trigonometric, hyperbolic, logarithms, rounding, sqrt),
//          63-66 (wavelet, unitStep, re, im), 70 (exp)
//   2      nPr, nCr, atan2, StudentTPdf, ChiSquarePdf, PoissonPdf/Cdf, GeoPdf/Cdf
//   3      StudentTCdf, ChiSquareCdf, FPdf, BinomialPdf/Cdf, wave
//   4      FCdf
//   1 or 3 NormalPdf (x [, mean, deviation]) and InverseNormal (p [, mean, deviation])
//   2 or 4 NormalCdf (lower, upper [, mean, deviation])
//   2+     GCD and LCM
// Every other id (matrix and symbolic names, Integrate, the prime marks, the
// index operator) has no numeric meaning and never computes.
#pragma once

#include <cstdint>

namespace abacine {

// Largest whole number GCD and LCM accept, and the largest LCM they give:
// beyond 2^53 not every whole number is a double, so no exact answer exists.
inline constexpr double kLargestExactWhole = 9007199254740992.0;

// True when id computes a value from count arguments.
bool BuiltinTakes(int32_t id, int32_t count);

// Computes id on args[0..count-1] (written order) into result. False when
// the id has no numeric meaning, the count is not one it takes, or an
// argument is outside what the function accepts (GCD and LCM of non-whole
// or too large numbers, a negative count of nPr and nCr). Numeric trouble
// otherwise flows out as an infinity or NaN for the caller's final check.
bool ComputeBuiltin(int32_t id, const double* args, int32_t count, double& result);

}  // namespace abacine
