// PlotLine: horizontal and vertical runs, Bresenham lines and anti-aliased
// lines with 16.16 fixed-point error terms.
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "graphics/pixel_ops_loops.h"
#include "graphics/surface.h"
#include "graphics/surface_internal.h"

namespace abacine {

namespace {

struct Point {
  int64_t x;
  int64_t y;
};

enum Outcode : unsigned { kInside = 0, kLeft = 1, kRight = 2, kTop = 4, kBottom = 8 };

unsigned OutcodeOf(const Point& p, const Box& c) {
  unsigned code = kInside;
  if (p.x < c.left) code |= kLeft;
  if (p.x > c.right - 1) code |= kRight;
  if (p.y < c.top) code |= kTop;
  if (p.y > c.bottom - 1) code |= kBottom;
  return code;
}

// Cohen-Sutherland against the clip box (last column right - 1, last row
// bottom - 1). Each pass puts an outside endpoint onto the edge it violates,
// tested bottom, top, right, left; the other coordinate comes from integer
// division (truncation toward zero). A moved point lies between the two
// endpoints, so a handful of passes settle every segment; the bound only
// guarantees the loop ends. False: nothing of the segment is inside.
bool ClipSegment(const Box& c, Point& a, Point& b) {
  for (int pass = 0; pass < 16; ++pass) {
    const unsigned ca = OutcodeOf(a, c);
    const unsigned cb = OutcodeOf(b, c);
    if ((ca | cb) == 0) return true;
    if ((ca & cb) != 0) return false;
    Point& p = ca != 0 ? a : b;
    const Point& q = ca != 0 ? b : a;
    const unsigned code = ca != 0 ? ca : cb;
    if (code & kBottom) {
      const int64_t edge = c.bottom - 1;
      p.x = p.x + (q.x - p.x) * (edge - p.y) / (q.y - p.y);
      p.y = edge;
    } else if (code & kTop) {
      const int64_t edge = c.top;
      p.x = p.x + (q.x - p.x) * (edge - p.y) / (q.y - p.y);
      p.y = edge;
    } else if (code & kRight) {
      const int64_t edge = c.right - 1;
      p.y = p.y + (q.y - p.y) * (edge - p.x) / (q.x - p.x);
      p.x = edge;
    } else {
      const int64_t edge = c.left;
      p.y = p.y + (q.y - p.y) * (edge - p.x) / (q.x - p.x);
      p.x = edge;
    }
  }
  return false;
}

// Bresenham between a and b (b.y >= a.y), whole colour. p walks the buffer;
// `toward` is the step one pixel toward b.x, `down` one row down.
void DrawBresenham(uint16_t* p, ptrdiff_t toward, ptrdiff_t down, int64_t dx, int64_t dy,
                   uint16_t colour) {
  // Walk the longer axis one pixel a step; the shorter one advances when the
  // error term turns non-negative.
  const bool steep = dx < dy;
  const ptrdiff_t major = steep ? down : toward;
  const ptrdiff_t minor = steep ? toward : down;
  const int64_t length = steep ? dy : dx;
  const int64_t rise = steep ? dx : dy;
  int64_t e = 2 * rise - length;
  for (int64_t k = 0; k < length; ++k) {
    *p = colour;
    p += major;
    if (e >= 0) {
      p += minor;
      e -= 2 * length;
    }
    e += 2 * rise;
  }
  *p = colour;
}

void Blend(uint16_t* p, uint16_t colour, int32_t weight) {
  *p = pixel::BlendWeighted565(colour, *p, weight);
}

// Anti-aliased line: each step splits weight 31 between the pixel the ideal
// line crosses and its neighbour, by the top five bits of the 16-bit
// fraction. Neighbours never leave the endpoints' bounding box.
void DrawAntiAliased(uint16_t* p, uint16_t* end, ptrdiff_t toward, ptrdiff_t down, int64_t dx,
                     int64_t dy, uint16_t colour) {
  Blend(p, colour, 31);
  if (dx == dy) {
    // The last diagonal step reaches the second endpoint, which is blended
    // below; blending it here as well would darken it twice.
    for (int64_t k = 1; k < dx; ++k) {
      p += toward + down;
      Blend(p, colour, 31);
    }
  } else if (dy > dx) {
    const int64_t v = (dx * 65536) / dy;
    int64_t a = 0;
    for (int64_t k = 0; k < dy - 1; ++k) {
      const int64_t t = a + v;
      p += down;
      if (t >= 65536) p += toward;
      a = t < 65536 ? t : t - 65536;
      const int32_t f = static_cast<int32_t>((t >> 11) & 31);
      Blend(p, colour, 31 - f);
      Blend(p + toward, colour, f);
    }
  } else {
    const int64_t v = (dy * 65536) / dx;
    int64_t a = 0;
    for (int64_t k = 0; k < dx - 1; ++k) {
      a += v;
      if (a > 0xFFFF) {
        p += down;
        a &= 0xFFFF;
      }
      p += toward;
      const int32_t f = static_cast<int32_t>(a >> 11);
      Blend(p, colour, 31 - f);
      Blend(p + down, colour, f);
    }
  }
  Blend(end, colour, 31);
}

}  // namespace

ResultCode Surface::PlotLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour,
                             uint32_t options) {
  Point a{x1, y1};
  Point b{x2, y2};
  if (b.y < a.y) std::swap(a, b);

  const ClipRegion clip = DrawClip(*this);
  if (clip.excludes_all) return kOk;
  if (clip.active) {
    if (!ClipSegment(clip.box, a, b)) return kOk;
    if (b.y < a.y) std::swap(a, b);
  }
  if (const ResultCode code = CheckDrawSurfaces(*this, nullptr); code != kOk) return code;
  const Box bounds{std::min(a.x, b.x), a.y, std::max(a.x, b.x) + 1, b.y + 1};
  if ((Flags() & kSurfaceNoBoundsCheck) == 0 && !InsideSurface(*this, bounds)) return kErrBadRect;
  if (!InsideBuffer(*this, bounds)) return kErrBadRect;
  if (!Display565(*this)) return kErrWrongDisplayState;

  const uint16_t pixel = ColourToPixel(colour);
  if (a.x == b.x || a.y == b.y) {
    const RunShape shape = ShapeOf(*this, bounds);
    loops::FillRuns<NoOpacityOp>(SpanOf(*this, bounds, shape.turned), shape, pixel, 0);
    return kOk;
  }

  const SurfaceLayout& l = Layout();
  uint16_t* start = Pixels() + IndexOf(*this, a.x, a.y);
  const ptrdiff_t toward = b.x > a.x ? l.x_step : -static_cast<ptrdiff_t>(l.x_step);
  const ptrdiff_t down = l.y_step;
  const int64_t dx = b.x > a.x ? b.x - a.x : a.x - b.x;
  const int64_t dy = b.y - a.y;
  if (options & kLineAntiAliased) {
    DrawAntiAliased(start, Pixels() + IndexOf(*this, b.x, b.y), toward, down, dx, dy, pixel);
  } else {
    DrawBresenham(start, toward, down, dx, dy, pixel);
  }
  return kOk;
}

}  // namespace abacine
