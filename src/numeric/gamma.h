// Gamma function, combinatorics and the Haar wavelet: the real functions
// behind '!', "nPr", "nCr", "wave" and "wavelet". None of them reports
// errors; an impossible argument gives an infinity or NaN, which the
// interpreter's final finiteness test turns into a failure.
#pragma once

namespace abacine {

// ln Gamma(x) for x > 0; for x < 0, ln(pi / sin(pi x)) - ln Gamma(1 - x),
// which is NaN where sin(pi x) < 0 and +infinity at the poles (NaN at
// -infinity).
double LogGamma(double x);

// ln Gamma(y) - ((y - 0.5) ln y - y + 0.5 ln(2 pi)) for y >= 8: the tail of
// Stirling's series that LogGamma uses there. Exposed so that differences of
// ln Gamma at large arguments can be formed without cancellation.
double LogGammaStirlingTerm(double y);

// Gamma(x). Whole x from 1 to 171 give (x - 1)! rounded once (exact up to
// 22!); non-positive whole numbers give -infinity.
double Gamma(double x);

// Gamma(x + 1): the postfix '!'.
double Factorial(double x);

// "nPr": n (n-1) ... (n-r+1); exact for whole n and r while below 2^53 and
// rounded once beyond. r = 0 gives 1, n < r gives 0 and a negative r NaN; a
// fractional r counts factors up to the first whole w >= r - 1.
double Permutations(double n, double r);

// "nCr": n! / (r! (n-r)!); exact for whole n and r while below 2^53 and
// rounded once beyond, else a product over the smaller of r and n-r. r = 0
// gives 1, n < r gives 0 and a negative r NaN.
double Combinations(double n, double r);

// "wavelet": 1 on [0, 0.5], -1 on (0.5, 1], 0 elsewhere (NaN included).
double HaarWavelet(double x);

// "wave": 2^(a/2) HaarWavelet(2^a c - b), the Haar wavelet of scale a and
// shift b at c.
double Wave(double a, double b, double c);

}  // namespace abacine
