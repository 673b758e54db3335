// Widget and layout coordinates are worked out in 64 bits and stored in 32;
// this is the one place that narrows them.
#pragma once

#include <algorithm>
#include <cstdint>

namespace abacine {

constexpr int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

}  // namespace abacine
