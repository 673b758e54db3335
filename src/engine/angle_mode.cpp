#include "engine/angle_mode.h"

namespace abacine {
namespace {

// Single-threaded program: a plain global, as the settings store expects.
int32_t gAngleMode = Radians;

}  // namespace

void SetAngleMode(int32_t mode) { gAngleMode = mode; }

int32_t GetAngleMode() { return gAngleMode; }

double ToRadians(double x) {
  switch (gAngleMode) {
    case Degrees: return x * 0.017453292519943295;
    case Grads: return x * 0.015707963267948967;
    default: return x;
  }
}

double FromRadians(double y) {
  switch (gAngleMode) {
    case Degrees: return y * 57.29577951308232;
    // One unit in the last place above the nearest double to 200/pi, as
    // the calculator has always scaled grads.
    case Grads: return y * 63.66197723675814;
    default: return y;
  }
}

}  // namespace abacine
