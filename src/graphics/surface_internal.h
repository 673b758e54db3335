// Shared machinery of the drawing dispatchers (fill.cpp, line.cpp, blit.cpp,
// blit_transformed.cpp, bitmap_font.cpp): rectangles in 64-bit so that no
// argument can overflow, the clip region, the checks every drawing operation
// makes in the same order, and the description of an area as runs along
// physical memory rows. Not part of the public interface.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstddef>
#include <cstdint>

#include "graphics/graphics_context.h"
#include "graphics/surface.h"

namespace abacine {

// Rows of off-screen buffers and windowed back buffers hold an even number
// of pixels (32-bit aligned rows).
constexpr int64_t RoundUpToEven(int64_t v) { return (v + 1) & ~int64_t{1}; }

// Rectangle with exclusive right and bottom, in 64 bits.
struct Box {
  int64_t left = 0;
  int64_t top = 0;
  int64_t right = 0;
  int64_t bottom = 0;

  int64_t Width() const { return right - left; }
  int64_t Height() const { return bottom - top; }
  bool Empty() const { return left >= right || top >= bottom; }
};

inline Box ToBox(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

inline Box Normalised(Box b) {
  if (b.left > b.right) std::swap(b.left, b.right);
  if (b.top > b.bottom) std::swap(b.top, b.bottom);
  return b;
}

// Cuts a to clip as it is: an empty result stays empty (possibly reversed).
inline Box Cut(Box a, const Box& clip) {
  a.left = std::max(a.left, clip.left);
  a.top = std::max(a.top, clip.top);
  a.right = std::min(a.right, clip.right);
  a.bottom = std::min(a.bottom, clip.bottom);
  return a;
}

// Normalises a given rectangle, then cuts it to clip. Only for rectangles
// that come from the caller: normalising an already cut one would turn an
// empty result into a box that was never asked for.
inline Box Intersect(Box a, const Box& clip) { return Cut(Normalised(a), clip); }

// Where the drawing dispatchers reach the surface's private state.
struct SurfaceAccess {
  static const DisplayState* State(const Surface& s) {
    return s.owner_ != nullptr ? s.owner_->State() : nullptr;
  }
  static const BlendLoopTable* Loops(const Surface& s) {
    return s.owner_ != nullptr ? s.owner_->Loops() : nullptr;
  }
  static bool ClipExcludesAll(const Surface& s) { return s.clip_excludes_all_; }
};

inline Box WholeSurface(const Surface& s) { return {0, 0, s.Width(), s.Height()}; }

// The region drawing is cut to. `active` is false when nothing cuts (no clip
// rectangle and bounds are checked instead); `excludes_all` when the clip
// rectangle left nothing. A surface that skips the bounds checks is always
// cut to its own extent, so its loose coordinates cannot leave the buffer.
struct ClipRegion {
  bool active = false;
  bool excludes_all = false;
  Box box;
};

inline ClipRegion DrawClip(const Surface& s) {
  ClipRegion region;
  if (SurfaceAccess::ClipExcludesAll(s)) {
    region.excludes_all = true;
    return region;
  }
  const Rect& c = s.StoredClipRect();
  if (c.left < c.right && c.top < c.bottom) {
    region.active = true;
    region.box = ToBox(c);
  }
  if ((s.Flags() & kSurfaceNoBoundsCheck) != 0) {
    region.box = region.active ? Cut(region.box, WholeSurface(s)) : WholeSurface(s);
    region.active = true;
  }
  // A clip left over from a larger size can miss the surface entirely.
  if (region.active && region.box.Empty()) region.excludes_all = true;
  return region;
}

inline bool DisplayOpen(const Surface& s) {
  const DisplayState* state = SurfaceAccess::State(s);
  return state != nullptr && state->IsOpen();
}

inline bool Display565(const Surface& s) {
  const DisplayState* state = SurfaceAccess::State(s);
  return state != nullptr && state->Is565();
}

// Checks after clipping, up to (not including) the area checks: no buffer,
// locked, read-only target, display not open or a layout stale. source may
// be null.
inline ResultCode CheckDrawSurfaces(const Surface& target, const Surface* source) {
  if (target.Pixels() == nullptr || (source != nullptr && source->Pixels() == nullptr)) {
    return kErrNoPixels;
  }
  if ((target.Flags() & kSurfaceLocked) != 0 ||
      (source != nullptr && (source->Flags() & kSurfaceLocked) != 0)) {
    return kErrLocked;
  }
  if ((target.Flags() & kSurfaceReadOnly) != 0) return kErrReadOnlyTarget;
  if (!DisplayOpen(target) || !target.LayoutCurrent() ||
      (source != nullptr && !source->LayoutCurrent())) {
    return kErrWrongDisplayState;
  }
  return kOk;
}

inline bool InsideSurface(const Surface& s, const Box& area) {
  return area.left >= 0 && area.top >= 0 && area.right <= s.Width() && area.bottom <= s.Height();
}

// Buffer index of logical (x, y), in 64 bits.
inline int64_t IndexOf(const Surface& s, int64_t x, int64_t y) {
  const SurfaceLayout& l = s.Layout();
  return l.origin + x * l.x_step + y * l.y_step;
}

// Last line of defence behind the area checks: every pixel of the area (its
// corners bound the affine layout) must index into the buffer. A well-made
// layout always passes; a display that described its memory wrongly is
// refused instead of being written past.
inline bool InsideBuffer(const Surface& s, const Box& area) {
  if (area.Empty()) return true;
  const int64_t limit = static_cast<int64_t>(s.Layout().byte_size / 2);
  const int64_t corners[4] = {
      IndexOf(s, area.left, area.top), IndexOf(s, area.right - 1, area.top),
      IndexOf(s, area.left, area.bottom - 1), IndexOf(s, area.right - 1, area.bottom - 1)};
  for (int64_t c : corners) {
    if (c < 0 || c >= limit) return false;
  }
  return true;
}

// Whether a plain fill or copy of the whole surface may treat the whole
// buffer as one run (system-memory surfaces, and the display's memory when
// its rows carry no padding).
bool WholeBufferAllowed(const Surface& target);

// An area as runs along physical rows: `count` runs of `length` pixels; the
// run r starts at first + r * between and steps by `along`.
struct RunSpan {
  uint16_t* first = nullptr;
  ptrdiff_t along = 0;
  ptrdiff_t between = 0;
};

struct RunShape {
  int32_t length = 0;
  int32_t count = 0;
  bool turned = false;  // runs follow logical y
};

// True when runs of this surface follow logical y (a turned layout).
inline bool RunsFollowY(const Surface& s) {
  const SurfaceLayout& l = s.Layout();
  return std::abs(static_cast<int64_t>(l.y_step)) < std::abs(static_cast<int64_t>(l.x_step));
}

inline RunShape ShapeOf(const Surface& target, const Box& area) {
  RunShape shape;
  shape.turned = RunsFollowY(target);
  const int64_t w = area.Width();
  const int64_t h = area.Height();
  shape.length = static_cast<int32_t>(shape.turned ? h : w);
  shape.count = static_cast<int32_t>(shape.turned ? w : h);
  return shape;
}

// Runs of area on s in logical order (the first pixel of each run is the
// area's left or top edge).
inline RunSpan SpanOf(const Surface& s, const Box& area, bool turned) {
  const SurfaceLayout& l = s.Layout();
  RunSpan span;
  span.first = s.Pixels() + IndexOf(s, area.left, area.top);
  span.along = turned ? l.y_step : l.x_step;
  span.between = turned ? l.x_step : l.y_step;
  return span;
}

// Moves a run description so that it walks up through memory.
inline void ToLowestAddress(RunSpan& span, int32_t length) {
  if (span.along < 0) {
    span.first += span.along * (length - 1);
    span.along = -span.along;
  }
}

}  // namespace abacine
