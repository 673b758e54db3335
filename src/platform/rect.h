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
  bool Empty() const { return right <= left || bottom <= top; }
  // True when the two share at least one pixel.
  bool Intersects(const Rect& other) const {
    return !Empty() && !other.Empty() && left < other.right && other.left < right && top < other.bottom &&
           other.top < bottom;
  }
  // True when every pixel of inner lies in this rectangle (an empty inner
  // lies anywhere).
  bool Contains(const Rect& inner) const {
    return inner.Empty() ||
           (left <= inner.left && inner.right <= right && top <= inner.top && inner.bottom <= bottom);
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace abacine::platform
