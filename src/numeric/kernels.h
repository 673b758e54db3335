// Kernels that distributions.cpp and incomplete_gamma.cpp share; not part of
// the calculator's interface.
#pragma once

namespace abacine {

// erfc(y) for y >= 0 with small relative error (below 4e-15 from y = 1 on,
// 1.5e-15 below), for tails far below 1.
double ErfcPositive(double y);

// erfc(y) e^(y^2) for y >= 0, relative error below 1e-14: the tail without
// its Gaussian factor, which callers form from an exponent they keep more
// accurately than y^2.
double ErfcScaled(double y);

// ln Gamma(z + 1) - ((z + 0.5) ln z - z + 0.5 ln(2 pi)), the error of
// Stirling's formula for z!, for z > 0.
double StirlingError(double z);

}  // namespace abacine
