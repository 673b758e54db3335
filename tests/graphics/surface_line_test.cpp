// PlotLine: Bresenham and anti-aliased lines against straightforward
// references on logical pixels, every slope and layout, clipping and bad
// input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <utility>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Grid;
using testing::RefWeighted;
using testing::TestContext;

// Reference lines, written from the algorithm's description on a grid of
// logical pixels. Both return the number of pixels plotted and where the
// walk ended, for checks of the reference itself.
struct Walk {
  int count = 0;
  std::pair<int, int> end;
};

Walk RefBresenham(Grid& g, int x1, int y1, int x2, int y2, uint16_t c) {
  if (y2 < y1) std::swap(x1, x2), std::swap(y1, y2);
  int x = x1, y = y1, count = 0;
  const int sx = x2 > x1 ? 1 : -1;
  const int dx = std::abs(x2 - x1), dy = y2 - y1;
  const bool steep = dx < dy;
  int e = steep ? 2 * dx - dy : 2 * dy - dx;
  for (int k = 0; k < std::max(dx, dy); ++k, ++count) {
    g.at(x, y) = c;
    if (steep) {
      ++y;
      if (e >= 0) x += sx, e -= 2 * dy;
      e += 2 * dx;
    } else {
      x += sx;
      if (e >= 0) ++y, e -= 2 * dx;
      e += 2 * dy;
    }
  }
  g.at(x, y) = c;
  return {count + 1, {x, y}};
}

void RefAntiAliased(Grid& g, int x1, int y1, int x2, int y2, uint16_t c) {
  if (y2 < y1) std::swap(x1, x2), std::swap(y1, y2);
  if (x1 == x2 || y1 == y2) {
    RefBresenham(g, x1, y1, x2, y2, c);
    return;
  }
  const auto blend = [&](int x, int y, int w) { g.at(x, y) = RefWeighted(c, g.at(x, y), w); };
  const int sx = x2 > x1 ? 1 : -1;
  const int dx = std::abs(x2 - x1), dy = y2 - y1;
  int x = x1, y = y1;
  blend(x, y, 31);
  if (dx == dy) {
    for (int k = 1; k < dx; ++k) blend(x += sx, ++y, 31);
  } else if (dy > dx) {
    const long v = (long{dx} * 65536) / dy;
    long a = 0;
    for (int k = 0; k < dy - 1; ++k) {
      const long t = a + v;
      ++y;
      if (t >= 65536) x += sx;
      a = t < 65536 ? t : t - 65536;
      const int f = static_cast<int>((t >> 11) & 31);
      blend(x, y, 31 - f);
      blend(x + sx, y, f);
    }
  } else {
    const long v = (long{dy} * 65536) / dx;
    long a = 0;
    for (int k = 0; k < dx - 1; ++k) {
      a += v;
      if (a > 0xFFFF) ++y, a &= 0xFFFF;
      x += sx;
      const int f = static_cast<int>(a >> 11);
      blend(x, y, 31 - f);
      blend(x, y + 1, f);
    }
  }
  blend(x2, y2, 31);
}

TEST(PlotLineTest, MatchesTheReferencesForEverySlopeOnEveryLayout) {
  std::mt19937 rng(99);
  testing::ForEachLayout([&](TestContext& tc) {
    for (int dx = -9; dx <= 9; ++dx) {
      for (int dy = 0; dy <= 9; ++dy) {
        for (bool aa : {false, true}) {
          // Random surface size and start, so runs begin at every alignment.
          const int32_t x1 = testing::Between(rng, std::max(0, -dx), 4 + std::max(0, -dx));
          const int32_t y1 = testing::Between(rng, 0, 3);
          const int32_t w = testing::Between(rng, std::max(x1, x1 + dx) + 1, 30);
          const int32_t h = testing::Between(rng, y1 + dy + 1, 20);
          // Either endpoint may come first.
          const bool reversed = rng() % 2 == 1;
          const int32_t ax = reversed ? x1 + dx : x1, ay = reversed ? y1 + dy : y1;
          const int32_t bx = reversed ? x1 : x1 + dx, by = reversed ? y1 : y1 + dy;
          SCOPED_TRACE(::testing::Message() << w << "x" << h << " (" << ax << "," << ay << ")-("
                                            << bx << "," << by << ")" << (aa ? " aa" : ""));
          Surface s(&tc.ctx);
          testing::MakeRandom(s, w, h, rng, 0x1234);
          const auto colour = static_cast<uint16_t>(rng());
          testing::Expected e(s);
          if (aa) {
            RefAntiAliased(e.want, ax, ay, bx, by, colour);
          } else {
            // The reference plots max(|dx|, dy) + 1 pixels and lands on the
            // lower endpoint (the second one given when both share a row).
            const Walk walk = RefBresenham(e.want, ax, ay, bx, by, colour);
            ASSERT_EQ(walk.count, std::max(std::abs(dx), dy) + 1);
            ASSERT_EQ(walk.end, (by < ay ? std::pair{ax, ay} : std::pair{bx, by}));
          }
          ASSERT_EQ(s.PlotLine(ax, ay, bx, by, testing::PixelToColour(colour),
                               aa ? kLineAntiAliased : 0),
                    kOk);
          e.Check(s);
        }
      }
    }
  });
}

TEST(PlotLineTest, ExactPixels) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 12, 12), kOk);
  // Equal endpoints: one pixel.
  ASSERT_EQ(s.PlotLine(4, 4, 4, 4, 0xFFFFFF, 0), kOk);
  int lit = 0;
  for (uint16_t p : testing::RawBuffer(s)) lit += p != 0;
  EXPECT_EQ(lit, 1);
  EXPECT_EQ(Get(s, 4, 4), 0xFFFF);
  // (0, 10)-(5, 0) is drawn from (5, 0): the column steps come right after
  // the top row, where drawing up from (0, 10) would put them right after
  // the bottom row (0, 1, 1, 2, ... from below).
  ASSERT_EQ(s.Create(kSurfaceClear, 12, 12), kOk);
  ASSERT_EQ(s.PlotLine(0, 10, 5, 0, 0xFFFFFF, 0), kOk);
  const int want_x[11] = {5, 4, 4, 3, 3, 2, 2, 1, 1, 0, 0};
  for (int y = 0; y <= 10; ++y)
    for (int x = 0; x < 12; ++x) EXPECT_EQ(Get(s, x, y), x == want_x[y] ? 0xFFFF : 0) << x << "," << y;
}

TEST(PlotLineTest, AntiAliasedDiagonalDrawsEachPixelOnceAtFullWeight) {
  TestContext tc;
  const uint16_t full = RefWeighted(0xFFFF, 0, 31);
  struct Row {
    int32_t x1, y1, x2, y2;
  };
  for (const Row& r : {Row{0, 0, 9, 9}, Row{9, 0, 0, 9}, Row{1, 0, 5, 4}, Row{0, 1, 1, 0}}) {
    SCOPED_TRACE(::testing::Message() << r.x1 << "," << r.y1 << "-" << r.x2 << "," << r.y2);
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(kSurfaceClear, 12, 12), kOk);
    ASSERT_EQ(s.PlotLine(r.x1, r.y1, r.x2, r.y2, 0xFFFFFF, kLineAntiAliased), kOk);
    int lit = 0;
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 12; ++x)
        if (Get(s, x, y) != 0) {
          ++lit;
          EXPECT_EQ(Get(s, x, y), full) << x << "," << y;
        }
    EXPECT_EQ(lit, std::abs(r.x2 - r.x1) + 1);
  }
}

TEST(PlotLineTest, ClippingKeepsEveryPixelInsideTheClip) {
  TestContext tc;
  std::mt19937 rng(5);
  for (int trial = 0; trial < 400; ++trial) {
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(kSurfaceClear, 30, 20), kOk);
    const Rect clip{testing::Between(rng, 0, 9), testing::Between(rng, 0, 7),
                    testing::Between(rng, 15, 30), testing::Between(rng, 10, 20)};
    ASSERT_EQ(s.SetClipRect(&clip), kOk);
    const int32_t x1 = testing::Between(rng, -30, 59), y1 = testing::Between(rng, -20, 39);
    const int32_t x2 = testing::Between(rng, -30, 59), y2 = testing::Between(rng, -20, 39);
    SCOPED_TRACE(::testing::Message() << "(" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ")");
    ASSERT_EQ(s.PlotLine(x1, y1, x2, y2, 0xFFFFFF, (trial & 1) ? kLineAntiAliased : 0), kOk);
    for (int32_t y = 0; y < 20; ++y)
      for (int32_t x = 0; x < 30; ++x)
        if (Get(s, x, y) != 0) {
          ASSERT_TRUE(x >= clip.left && x < clip.right && y >= clip.top && y < clip.bottom)
              << x << "," << y;
        }
  }
}

TEST(PlotLineTest, ClippedLinesOnExactCrossings) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 20, 20), kOk);
  const Rect clip{2, 2, 10, 10};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  ASSERT_EQ(s.PlotLine(-10, 5, 30, 5, 0xFFFFFF, 0), kOk);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(Get(s, x, 5), (x >= 2 && x < 10) ? 0xFFFF : 0) << x;
  ASSERT_EQ(s.PlotLine(-5, -5, 20, 20, 0x0000FF, 0), kOk);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Get(s, i, i), (i >= 2 && i < 10) ? 0xF800 : 0) << i;
  // Both ends beyond one edge: nothing, and success.
  const auto before = testing::RawBuffer(s);
  EXPECT_EQ(s.PlotLine(12, 0, 19, 19, 0xFFFFFF, 0), kOk);
  EXPECT_EQ(s.PlotLine(0, 0, 19, 1, 0xFFFFFF, kLineAntiAliased), kOk);
  EXPECT_EQ(testing::RawBuffer(s), before);
}

TEST(PlotLineTest, EndpointsOutsideAreRefusedOrCutToAnUncheckedSurface) {
  TestContext tc;
  Surface s(&tc.ctx);
  Surface loose(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 10, 10), kOk);
  ASSERT_EQ(loose.Create(kSurfaceClear | kSurfaceNoBoundsCheck, 10, 10), kOk);
  struct Row {
    int32_t x1, y1, x2, y2;
  };
  for (const Row& r : {Row{-1, 0, 5, 5}, Row{0, 0, 10, 5}, Row{0, 0, 5, 10}, Row{3, -1, 3, 4},
                       Row{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}}) {
    for (uint32_t options : {0u, kLineAntiAliased}) {
      EXPECT_EQ(s.PlotLine(r.x1, r.y1, r.x2, r.y2, 0xFFFFFF, options), kErrBadRect);
      EXPECT_EQ(loose.PlotLine(r.x1, r.y1, r.x2, r.y2, 0x00FF00, options), kOk);
    }
  }
  for (uint16_t p : testing::RawBuffer(s)) ASSERT_EQ(p, 0);
  ASSERT_EQ(loose.PlotLine(-50, 3, 50, 3, 0xFFFFFF, 0), kOk);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(Get(loose, x, 3), 0xFFFF);
}

}  // namespace
}  // namespace abacine
