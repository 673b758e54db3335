// Where logical pixels land in the buffer, for every orientation and pitch
// sign combination, checked against a model of the physical screen: a
// surface is stored as the frame buffer would hold it, turned by the
// display's orientation.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::PixelToColour;
using testing::TestContext;

// Buffer index of logical (x, y) on a w x h surface, from first principles:
// logical -> hardware by the orientation, hardware -> memory by the pitch
// signs (mixed signs: y is the 2-byte pitch; equal signs: x is), rows padded
// to even length, the lowest address at index 0.
int64_t ModelIndex(int32_t o, int32_t px, int32_t py, int32_t w, int32_t h, int32_t x, int32_t y) {
  const bool quarter = o == 2 || o == 4;
  const int64_t hw_w = quarter ? h : w;  // the surface's extent in hardware orientation
  const int64_t hw_h = quarter ? w : h;
  const int64_t hx = o == 1 ? x : o == 2 ? y : o == 4 ? hw_w - 1 - y : hw_w - 1 - x;
  const int64_t hy = o == 1 ? y : o == 2 ? hw_h - 1 - x : o == 4 ? x : hw_h - 1 - y;
  const int64_t mx = px > 0 ? hx : hw_w - 1 - hx;  // distance from the low-address edge
  const int64_t my = py > 0 ? hy : hw_h - 1 - hy;
  if ((px > 0) != (py > 0)) return mx * ((hw_h + 1) & ~1) + my;
  return mx + my * ((hw_w + 1) & ~1);
}

TEST(LayoutTest, EveryLogicalPixelLandsWhereTheScreenHasIt) {
  testing::ForEachLayout([](TestContext& tc) {
    const DisplayProperties& p = tc.State().properties;
    const int32_t o = tc.State().current_orientation;
    for (const auto& [w, h] : {std::pair{5, 3}, std::pair{4, 6}, std::pair{1, 1},
                               std::pair{7, 2}, std::pair{2, 9}}) {
      SCOPED_TRACE(::testing::Message() << "size " << w << "x" << h);
      Surface s(&tc.ctx);
      ASSERT_EQ(s.Create(kSurfaceClear, w, h), kOk);
      const int64_t buffer_pixels = s.Layout().byte_size / 2;
      ASSERT_EQ(buffer_pixels, int64_t{(w + 1) & ~1} * ((h + 1) & ~1));
      // Write each logical pixel through the drawing interface, one at a time.
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          const Rect one{x, y, x + 1, y + 1};
          const auto id = static_cast<uint16_t>(1 + x + y * w);
          ASSERT_EQ(s.FillArea(&one, PixelToColour(id), 0, nullptr), kOk);
        }
      std::vector<int> seen(static_cast<size_t>(buffer_pixels), 0);
      PixelDescription d;
      ASSERT_EQ(s.LockPixels(&d), kOk);
      for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
          const int64_t want = ModelIndex(o, p.x_pitch, p.y_pitch, w, h, x, y);
          ASSERT_GE(want, 0);
          ASSERT_LT(want, buffer_pixels);
          EXPECT_EQ(s.Pixels()[want], 1 + x + y * w) << "pixel " << x << "," << y;
          ++seen[static_cast<size_t>(want)];
          // LockPixels describes the same mapping in bytes.
          const auto* bytes = reinterpret_cast<const uint8_t*>(d.pixels);
          EXPECT_EQ(*reinterpret_cast<const uint16_t*>(bytes + x * d.x_pitch + y * d.y_pitch),
                    1 + x + y * w);
        }
      EXPECT_EQ(d.format, kPixelFormat565);
      EXPECT_EQ(s.UnlockPixels(), kOk);
      // Nothing else was written: the padding stays zero. (A 1 x 1 fill is
      // a whole-surface fill, which may write the padding in one run.)
      for (int64_t i = 0; i < buffer_pixels && w * h > 1; ++i)
        EXPECT_EQ(seen[static_cast<size_t>(i)] != 0 ? 0 : s.Pixels()[i], 0) << "padding " << i;
    }
  });
}

TEST(LayoutTableTest, StepsForA3x5SurfaceMatchTheTable) {
  // W = 3, H = 5. o = 1: E = 5, F = 6, B = 3, Hh = 12, L = 4, M = 16.
  // o = 2/4: E = 3, F = 4, B = 5, Hh = 16, L = 6, M = 12.
  struct Row {
    int32_t o, px, py, origin, xs, ys;
  };
  const Row rows[] = {
      {1, 1, -1, 4, 6, -1},   {2, 1, -1, 0, 1, 4},    {4, 1, -1, 18, -1, -4}, {8, 1, -1, 12, -6, 1},
      {1, -1, 1, 12, -6, 1},  {2, -1, 1, 18, -1, -4}, {4, -1, 1, 0, 1, 4},    {8, -1, 1, 4, 6, -1},
      {1, 1, 1, 0, 1, 4},     {2, 1, 1, 12, -6, 1},   {4, 1, 1, 4, 6, -1},    {8, 1, 1, 18, -1, -4},
      {1, -1, -1, 18, -1, -4}, {2, -1, -1, 4, 6, -1}, {4, -1, -1, 12, -6, 1}, {8, -1, -1, 0, 1, 4},
      // A zero pitch leaves origin and steps at 0.
      {1, 0, 2, 0, 0, 0},     {1, 2, 0, 0, 0, 0},     {1, 0, 0, 0, 0, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "o " << r.o << " signs " << r.px << "," << r.py);
    const SurfaceLayout l = ComputeLayout(r.o, r.px, r.py, 3, 5);
    EXPECT_EQ(l.origin, r.origin);
    EXPECT_EQ(l.x_step, r.xs);
    EXPECT_EQ(l.y_step, r.ys);
    EXPECT_EQ(l.orientation, r.o);
  }
}

TEST(LayoutTableTest, DisplayStrideReplacesTheRoundedRowLength) {
  // The fixed-address handheld: x pitch -640 bytes, y pitch 2, 240 x 320.
  const SurfaceLayout l = ComputeLayout(1, -640, 2, 240, 320, 320);
  EXPECT_EQ(l.x_step, -320);
  EXPECT_EQ(l.y_step, 1);
  EXPECT_EQ(l.origin, 239 * 320);
}

}  // namespace
}  // namespace abacine
