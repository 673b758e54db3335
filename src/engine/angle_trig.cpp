#include "engine/angle_trig.h"

#include <cmath>
#include <limits>

#include "engine/angle_mode.h"

namespace abacine {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct Unit {
  double fullTurn;
  double toRadians;  // pi / half turn, as ToRadians scales
  double sinHalf;    // the rest whose sine is 1/2 (30 degrees); none in grads
};
constexpr Unit kDegrees{360, 0.017453292519943295, 30};
constexpr Unit kGrads{400, 0.015707963267948967, -1};

// x = quadrant quarter turns + rest, |rest| <= an eighth of a turn. fmod is
// exact, and so is rest = r - q quarter: for q != 0 the two lie within a
// factor of two of each other.
struct Reduced {
  int quadrant;  // 0..3
  double rest;
};

Reduced Reduce(double x, const Unit& unit) {
  const double quarter = unit.fullTurn / 4;
  const double r = std::fmod(x, unit.fullTurn);
  const double q = std::nearbyint(r / quarter);  // -4..4
  return {static_cast<int>(q) & 3, r - q * quarter};
}

double SinOfRest(double rest, const Unit& unit) {
  if (rest == 0) return 0.0;
  if (std::fabs(rest) == unit.sinHalf) return rest > 0 ? 0.5 : -0.5;
  return std::sin(rest * unit.toRadians);
}

double CosOfRest(double rest, const Unit& unit) {
  if (rest == 0) return 1.0;
  return std::cos(rest * unit.toRadians);
}

double TanOfRest(double rest, const Unit& unit) {
  if (rest == 0) return 0.0;
  if (std::fabs(rest) == unit.fullTurn / 8) return rest > 0 ? 1.0 : -1.0;
  return std::tan(rest * unit.toRadians);
}

// 0.0 - v negates without turning an exact +0 into -0.
double Sin(double x, const Unit& unit) {
  if (!std::isfinite(x)) return kNaN;
  const Reduced a = Reduce(x, unit);
  switch (a.quadrant) {
    case 0: return SinOfRest(a.rest, unit);
    case 1: return CosOfRest(a.rest, unit);
    case 2: return 0.0 - SinOfRest(a.rest, unit);
    default: return 0.0 - CosOfRest(a.rest, unit);
  }
}

double Cos(double x, const Unit& unit) {
  if (!std::isfinite(x)) return kNaN;
  const Reduced a = Reduce(x, unit);
  switch (a.quadrant) {
    case 0: return CosOfRest(a.rest, unit);
    case 1: return 0.0 - SinOfRest(a.rest, unit);
    case 2: return 0.0 - CosOfRest(a.rest, unit);
    default: return SinOfRest(a.rest, unit);
  }
}

// tan has period half a turn; an odd quadrant is -cot of the rest.
double Tan(double x, const Unit& unit) {
  if (!std::isfinite(x)) return kNaN;
  const Reduced a = Reduce(x, unit);
  if (a.quadrant % 2 == 0) return TanOfRest(a.rest, unit);
  if (a.rest == 0) return kInf;
  return -1.0 / TanOfRest(a.rest, unit);
}

}  // namespace

double SinInMode(double x) {
  switch (GetAngleMode()) {
    case Degrees: return Sin(x, kDegrees);
    case Grads: return Sin(x, kGrads);
    default: return std::sin(x);
  }
}

double CosInMode(double x) {
  switch (GetAngleMode()) {
    case Degrees: return Cos(x, kDegrees);
    case Grads: return Cos(x, kGrads);
    default: return std::cos(x);
  }
}

double TanInMode(double x) {
  switch (GetAngleMode()) {
    case Degrees: return Tan(x, kDegrees);
    case Grads: return Tan(x, kGrads);
    default: return std::tan(x);
  }
}

}  // namespace abacine
