// Products of whole numbers computed exactly and rounded once: the exact
// paths of nPr and nCr. A result below 2^53 is exact; any other is the
// double nearest to the true integer (ties to even), +infinity from 2^1024.
#pragma once

namespace abacine {

// True for a finite whole number.
bool IsWholeNumber(double x);

// n (n-1) ... (n-r+1) for whole numbers 0 <= r <= n (r = 0 gives 1).
double WholeFallingFactorial(double n, double r);

// n! / (r! (n-r)!) for whole numbers 0 <= r <= n.
double WholeBinomial(double n, double r);

}  // namespace abacine
