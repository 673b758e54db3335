// sin, cos and tan of an angle in the current angle unit (angle_mode.h).
//
// Radians are the C library's functions. In degrees and grads the angle is
// first reduced exactly (fmod by a full turn, then to the nearest quarter
// turn plus a rest of at most an eighth), so large angles keep their value
// and the special angles are exact: sin and cos are 0, +-1/2 or +-1 at
// multiples of 30 degrees and 0 or +-1 at multiples of 100 grads; tan is 0
// or +-1 at multiples of 45 degrees (50 grads) and +infinity, a pole, at odd
// multiples of 90 degrees (100 grads). Exact zeros are +0. Elsewhere the rest
// is converted to radians, within a few units in the last place.
#pragma once

namespace abacine {

double SinInMode(double x);
double CosInMode(double x);
double TanInMode(double x);

}  // namespace abacine
