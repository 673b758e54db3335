// The rectangle of every layer: windows, surfaces, clip and blit areas,
// widgets. Right and bottom are exclusive; nothing keeps left <= right.
#pragma once

#include <cstdint>

namespace abacine::platform {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace abacine::platform
