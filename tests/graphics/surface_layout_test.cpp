// Where logical pixels land in the buffer, for every orientation and pitch
// sign combination, checked against a model of the physical screen: a
// surface is stored as the frame buffer would hold it, turned by the
// display's orientation.
#include <gtest/gtest.h>

#include <cstdlib>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Index;
using testing::PixelToColour;
using testing::TestContext;

// Buffer index of logical (x, y) on a w x h surface, from first principles:
// logical -> hardware by the orientation table, hardware -> memory by the
// pitch signs (mixed signs: y is the 2-byte pitch; equal signs: x is), rows
// padded to even length, the lowest address at index 0.
int64_t ModelIndex(int32_t o, int32_t px, int32_t py, int32_t w, int32_t h, int32_t x, int32_t y) {
  const bool quarter = o == 2 || o == 4;
  const int64_t hw_w = quarter ? h : w;  // the surface's extent in hardware orientation
  const int64_t hw_h = quarter ? w : h;
  int64_t hx = 0, hy = 0;
  switch (o) {
    case 1: hx = x; hy = y; break;
    case 2: hx = y; hy = hw_h - 1 - x; break;
    case 4: hx = hw_w - 1 - y; hy = x; break;
    case 8: hx = hw_w - 1 - x; hy = hw_h - 1 - y; break;
  }
  const int64_t mx = px > 0 ? hx : hw_w - 1 - hx;  // distance from the low-address edge
  const int64_t my = py > 0 ? hy : hw_h - 1 - hy;
  const bool y_small = (px > 0) != (py > 0);
  if (y_small) return mx * ((hw_h + 1) & ~1) + my;
  return mx + my * ((hw_w + 1) & ~1);
}

struct LayoutCase {
  int32_t width;
  int32_t height;
};

class LayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(LayoutTest, EveryLogicalPixelLandsWhereTheScreenHasIt) {
  const LayoutCase c = GetParam();
  for (int32_t o : testing::kOrientations) {
    for (const testing::PitchSigns& p : testing::kPitchSigns) {
      SCOPED_TRACE(::testing::Message() << "orientation " << o << " pitches " << p.x_pitch << ","
                                        << p.y_pitch << " size " << c.width << "x" << c.height);
      TestContext tc(o, p.x_pitch, p.y_pitch);
      Surface s(&tc.ctx);
      ASSERT_EQ(s.Create(kSurfaceClear, c.width, c.height), kOk);
      const int64_t buffer_pixels = s.Layout().byte_size / 2;
      ASSERT_EQ(buffer_pixels, int64_t{(c.width + 1) & ~1} * ((c.height + 1) & ~1));
      // Write each logical pixel through the drawing interface, one at a time.
      for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
          const uint16_t id = static_cast<uint16_t>(1 + x + y * c.width);
          const Rect one{x, y, x + 1, y + 1};
          ASSERT_EQ(s.FillArea(&one, PixelToColour(id), 0, nullptr), kOk);
        }
      }
      std::vector<int> seen(static_cast<size_t>(buffer_pixels), 0);
      for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
          const int64_t want = ModelIndex(o, p.x_pitch, p.y_pitch, c.width, c.height, x, y);
          ASSERT_GE(want, 0);
          ASSERT_LT(want, buffer_pixels);
          EXPECT_EQ(s.Pixels()[want], 1 + x + y * c.width) << "pixel " << x << "," << y;
          ++seen[static_cast<size_t>(want)];
        }
      }
      // Nothing else was written: the padding stays zero. (A 1 x 1 fill is
      // a whole-surface fill, which may write the padding in one run.)
      for (int64_t i = 0; i < buffer_pixels && c.width * c.height > 1; ++i) {
        if (seen[static_cast<size_t>(i)] == 0) {
          EXPECT_EQ(s.Pixels()[i], 0) << "padding " << i;
        }
      }
      // LockPixels describes the same mapping in bytes.
      PixelDescription d;
      ASSERT_EQ(s.LockPixels(&d), kOk);
      for (int32_t y = 0; y < c.height; ++y) {
        for (int32_t x = 0; x < c.width; ++x) {
          const auto* bytes = reinterpret_cast<const uint8_t*>(d.pixels);
          const auto* px = reinterpret_cast<const uint16_t*>(bytes + x * d.x_pitch + y * d.y_pitch);
          EXPECT_EQ(*px, 1 + x + y * c.width);
        }
      }
      EXPECT_EQ(d.format, kPixelFormat565);
      EXPECT_EQ(s.UnlockPixels(), kOk);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, LayoutTest,
                         ::testing::Values(LayoutCase{5, 3}, LayoutCase{4, 6}, LayoutCase{1, 1},
                                           LayoutCase{7, 2}, LayoutCase{2, 9}));

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

TEST(LayoutTableTest, ZeroPitchLeavesStepsAtZero) {
  for (const auto& [px, py] : {std::pair{0, 2}, std::pair{2, 0}, std::pair{0, 0}}) {
    const SurfaceLayout l = ComputeLayout(1, px, py, 4, 4);
    EXPECT_EQ(l.origin, 0);
    EXPECT_EQ(l.x_step, 0);
    EXPECT_EQ(l.y_step, 0);
  }
}

TEST(LayoutTableTest, DisplayStrideReplacesTheRoundedRowLength) {
  // The fixed-address handheld: x pitch -640 bytes, y pitch 2, 240 x 320.
  const SurfaceLayout l = ComputeLayout(1, -640, 2, 240, 320, 320);
  EXPECT_EQ(l.x_step, -320);
  EXPECT_EQ(l.y_step, 1);
  EXPECT_EQ(l.origin, 239 * 320);
  // Logical (1, 0) lies 640 bytes before (0, 0), (0, 1) 2 bytes after it.
  EXPECT_EQ((l.origin + l.x_step) - l.origin, -320);
}

TEST(LayoutStaleTest, SurfaceMadeBeforeTheDisplayTurnedIsStaleUntilRecreated) {
  TestContext tc(1, 2, 960);
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 6, 4), kOk);
  Surface src(&tc.ctx);
  ASSERT_EQ(src.Create(kSurfaceClear, 2, 2), kOk);
  tc.State().current_orientation = 2;
  const Rect r{0, 0, 2, 2};
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, 0, nullptr), kErrWrongDisplayState);
  EXPECT_EQ(s.PlotLine(0, 0, 3, 3, 0xFFFFFF, 0), kErrWrongDisplayState);
  EXPECT_EQ(s.SetClipRect(nullptr), kErrWrongDisplayState);
  ASSERT_EQ(s.Create(kSurfaceClear, 6, 4), kOk);
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, 0, nullptr), kOk);
  // The source is stale as well.
  EXPECT_EQ(s.BlitAt(0, 0, &src, nullptr, 0, nullptr), kErrWrongDisplayState);
  ASSERT_EQ(src.Create(kSurfaceClear, 2, 2), kOk);
  EXPECT_EQ(s.BlitAt(0, 0, &src, nullptr, 0, nullptr), kOk);
  EXPECT_EQ(s.Layout().orientation, 2);
}

}  // namespace
}  // namespace abacine
