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
// (absolute error below 7.5e-8); used where GammaP approximates large a.
double NormalLowerTail(double x);

// Regularized lower incomplete gamma function P(a, x) (algorithm AS 239;
// for a > 1000 a normal approximation). NaN when it cannot converge.
double GammaP(double a, double x);

// Gamma(a) (1 - P(a, x)), the unregularized upper incomplete gamma function.
double UpperGamma(double a, double x);

// Student t distribution function P(T <= t) for n > 0 degrees of freedom
// (n = infinity: the normal distribution); measured error below 5e-16, and
// non-decreasing in t. n <= 0 gives NaN.
double StudentTDist(double t, double n);

// F distribution function at x for whole degrees of freedom: m is the
// denominator and n the numerator degrees, truncated to whole numbers; fewer
// than 1 gives NaN. x <= 0 gives 0.
double FDist(double x, double m, double n);

// Standard normal quantile (P. J. Acklam's rational approximation). p outside
// (0, 1) gives NaN.
double InverseNormalCdf(double p);

// --- The builtins, arguments in written order -----------------------------
//
// Each "Cdf" with bounds returns the probability between them. The Cdf sums
// add the probabilities for 0 (1 for GeoCdf) to TruncInt(k); BinomialCdf
// stops at n, and a sum of more than 100000 terms is taken in closed form
// (the incomplete beta and gamma functions, 1 - (1-p)^k). A NaN argument
// gives NaN. Where a density's formula overflows in Gamma for valid
// parameters (degrees or counts above about 170), the value comes from an
// overflow-free form instead.

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
