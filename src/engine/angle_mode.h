// The process-wide angle mode: how the trigonometric builtins read their
// arguments and give their results. The application sets it from its
// settings and the user's choice; the engine reads it afresh at every
// function application.
#pragma once

#include <cstdint>

namespace abacine {

enum AngleMode : int32_t {
  Radians = 0,
  Degrees = 1,
  Grads = 2,
};

// Any value is kept; values other than Degrees and Grads mean no conversion.
void SetAngleMode(int32_t mode);
int32_t GetAngleMode();

// x in the current angle unit to radians (pi/180 or pi/200 per unit).
double ToRadians(double x);
// y radians to the current angle unit.
double FromRadians(double y);

}  // namespace abacine
