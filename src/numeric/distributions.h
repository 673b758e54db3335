// Statistical distributions: the fifteen distribution builtins and the
// special functions they rest on. None of them reports errors: bad
// parameters give 0, an infinity, NaN or a meaningless number, and only a
// non-finite final value makes an evaluation fail. Every loop is bounded, so
// no argument (NaN and infinities included) can hang a call.
#pragma once

namespace abacine {

// --- Supporting functions -------------------------------------------------

// The error function. Erf(+-inf) = +-1; Erf(NaN) = 1.
double Erf(double x);

// Standard normal distribution function by Abramowitz and Stegun 26.2.17
// (absolute error below 7.5e-8).
double NormalLowerTail(double x);

// The regularized incomplete gamma functions P(a, x) and Q(a, x) = 1 - P for
// a > 0, each within 1e-13 relative wherever it is above 1e-300 (series,
// continued fraction and Temme's uniform expansion; incomplete_gamma.cpp).
// x <= 0 gives P = 0; a <= 0 and NaN give NaN.
double GammaP(double a, double x);
double GammaQ(double a, double x);

// Gamma(a) Q(a, x), the unregularized upper incomplete gamma function.
double UpperGamma(double a, double x);

// P(a, upper) - P(a, lower), the gamma probability of the interval, from the
// side (P or Q) on which it keeps its relative accuracy.
double GammaInterval(double a, double lower, double upper);

// Student t distribution function P(T <= t) for n > 0 degrees of freedom
// (n = infinity: the normal distribution); measured error below 5e-16, and
// non-decreasing in t. n <= 0 gives NaN.
double StudentTDist(double t, double n);

// F distribution function at x for whole degrees of freedom: m is the
// denominator and n the numerator degrees, truncated to whole numbers; fewer
// than 1 gives NaN. x <= 0 gives 0.
double FDist(double x, double m, double n);

// Standard normal quantile: P. J. Acklam's rational approximation refined by
// one Halley step; within 1e-14 relative for p in [1e-300, 1 - 1e-16]. p
// outside (0, 1) gives NaN.
double InverseNormalCdf(double p);

// --- The builtins, arguments in written order -----------------------------
//
// Each "Cdf" with bounds returns the probability between them. The Cdf sums
// add the probabilities for 0 (1 for GeoCdf) to TruncInt(k); BinomialCdf
// stops at n, and a sum of more than 100000 terms is taken in closed form
// (the incomplete beta and gamma functions, 1 - (1-p)^k). ChiSquareCdf is
// GammaInterval at k/2 and the halved bounds. A NaN argument gives NaN.
// Where a density's formula overflows in Gamma for valid parameters (degrees
// or counts above about 170), the value comes from an overflow-free form
// instead.

double NormalPdf(double x, double m, double s);
double NormalCdf(double lower, double upper, double m, double s);
double InverseNormal(double p);
double StudentTPdf(double x, double n);
double StudentTCdf(double lower, double upper, double n);
double ChiSquarePdf(double x, double k);
double ChiSquareCdf(double lower, double upper, double k);
double FPdf(double x, double d1, double d2);
double FCdf(double lower, double upper, double d1, double d2);
double BinomialPdf(double n, double p, double k);
double BinomialCdf(double n, double p, double k);
double PoissonPdf(double l, double k);
double PoissonCdf(double l, double k);
double GeoPdf(double p, double k);
double GeoCdf(double p, double k);

}  // namespace abacine
