// Helpers shared by the demo's pictures: colour blending for shaded images
// and keeping the first failing result of a run of drawing calls.
#pragma once

#include <algorithm>
#include <cstdint>

#include "graphics/result_codes.h"

namespace abacine::demo {

// Colour t/n of the way from a to b, per channel (0x00BBGGRR).
inline uint32_t Mix(uint32_t a, uint32_t b, int32_t t, int32_t n) {
  auto channel = [&](int shift) {
    const int32_t ca = static_cast<int32_t>((a >> shift) & 0xFF);
    const int32_t cb = static_cast<int32_t>((b >> shift) & 0xFF);
    return static_cast<uint32_t>(ca + (cb - ca) * t / std::max(n, 1)) << shift;
  };
  return channel(0) | channel(8) | channel(16);
}

// Keeps the first failure.
struct FirstError {
  ResultCode code = kOk;
  void operator()(ResultCode c) {
    if (code == kOk && c != kOk) code = c;
  }
};

}  // namespace abacine::demo
