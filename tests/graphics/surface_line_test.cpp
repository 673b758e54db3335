// PlotLine: Bresenham and anti-aliased lines against straightforward
// references on logical pixels, runs, clipping and bad input.
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Grid;
using testing::PixelToColour;
using testing::RefWeighted;
using testing::TestContext;

// Reference lines, written from the algorithm's description on a grid of
// logical pixels. Returns the final position for the landing check.
std::pair<int, int> RefBresenham(Grid& g, int x1, int y1, int x2, int y2, uint16_t c) {
  if (y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  int x = x1, y = y1;
  const int sx = x2 > x1 ? 1 : -1;
  const int dx = std::abs(x2 - x1), dy = y2 - y1;
  if (dx < dy) {
    int e = 2 * dx - dy;
    for (int k = 0; k < dy; ++k) {
      g.at(x, y) = c;
      ++y;
      if (e >= 0) {
        x += sx;
        e -= 2 * dy;
      }
      e += 2 * dx;
    }
  } else {
    int e = 2 * dy - dx;
    for (int k = 0; k < dx; ++k) {
      g.at(x, y) = c;
      x += sx;
      if (e >= 0) {
        ++y;
        e -= 2 * dx;
      }
      e += 2 * dy;
    }
  }
  g.at(x, y) = c;
  return {x, y};
}

void RefAntiAliased(Grid& g, int x1, int y1, int x2, int y2, uint16_t c) {
  if (y2 < y1) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const auto blend = [&](int x, int y, int w) { g.at(x, y) = RefWeighted(c, g.at(x, y), w); };
  if (x1 == x2 || y1 == y2) {
    for (int y = y1; y <= y2; ++y)
      for (int x = std::min(x1, x2); x <= std::max(x1, x2); ++x) g.at(x, y) = c;
    return;
  }
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
      if (a > 0xFFFF) {
        ++y;
        a &= 0xFFFF;
      }
      x += sx;
      const int f = static_cast<int>(a >> 11);
      blend(x, y, 31 - f);
      blend(x, y + 1, f);
    }
  }
  blend(x2, y2, 31);
}

TEST(LineReferenceTest, BresenhamLandsOnTheSecondEndpoint) {
  // max(dx, dy) + 1 pixels, ending exactly at (x2, y2), for every slope.
  for (int dx = -40; dx <= 40; ++dx) {
    for (int dy = 0; dy <= 40; ++dy) {
      Grid g{100, 60, std::vector<uint16_t>(6000, 0)};
      const auto end = RefBresenham(g, 50, 5, 50 + dx, 5 + dy, 1);
      ASSERT_EQ(end, std::make_pair(50 + dx, 5 + dy));
      int count = 0;
      for (uint16_t p : g.pixels) count += p;
      ASSERT_EQ(count, std::max(std::abs(dx), dy) + 1);
    }
  }
}

TEST(PlotLineTest, MatchesTheReferencesOnRandomSurfaces) {
  std::mt19937 rng(99);
  for (int32_t o : testing::kOrientations) {
    for (const auto& p : testing::kPitchSigns) {
      TestContext tc(o, p.x_pitch, p.y_pitch);
      for (int trial = 0; trial < 60; ++trial) {
        const int32_t w = 1 + static_cast<int32_t>(rng() % 41);
        const int32_t h = 1 + static_cast<int32_t>(rng() % 29);
        const bool aa = trial % 2 == 1;
        const int32_t x1 = static_cast<int32_t>(rng() % w), y1 = static_cast<int32_t>(rng() % h);
        int32_t x2 = static_cast<int32_t>(rng() % w), y2 = static_cast<int32_t>(rng() % h);
        if (trial % 7 == 0) x2 = x1;                 // vertical
        if (trial % 11 == 0) y2 = y1;                // horizontal
        SCOPED_TRACE(::testing::Message() << "o " << o << " pitch " << p.x_pitch << " " << w << "x"
                                          << h << " (" << x1 << "," << y1 << ")-(" << x2 << ","
                                          << y2 << ")" << (aa ? " aa" : ""));
        Surface s(&tc.ctx);
        ASSERT_EQ(s.Create(0, w, h), kOk);
        testing::FillRandom(s, rng, 0x1234);
        const auto raw = testing::RawBuffer(s);
        Grid want = testing::Snapshot(s);
        const uint16_t colour = static_cast<uint16_t>(rng());
        if (aa) {
          RefAntiAliased(want, x1, y1, x2, y2, colour);
        } else {
          RefBresenham(want, x1, y1, x2, y2, colour);
        }
        ASSERT_EQ(s.PlotLine(x1, y1, x2, y2, PixelToColour(colour), aa ? kLineAntiAliased : 0), kOk);
        const Grid got = testing::Snapshot(s);
        ASSERT_EQ(want.pixels, got.pixels) << testing::FirstDifference(want, got);
        ASSERT_EQ(testing::ExpectedRaw(s, raw, want), testing::RawBuffer(s)) << "stray write";
      }
    }
  }
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
  for (int y = 0; y <= 10; ++y) {
    for (int x = 0; x < 12; ++x) {
      EXPECT_EQ(Get(s, x, y), x == want_x[y] ? 0xFFFF : 0) << x << "," << y;
    }
  }
}

TEST(PlotLineTest, AntiAliasedDiagonalDrawsEachPixelOnceAtFullWeight) {
  TestContext tc;
  for (const auto& [x2, y2] : {std::pair{9, 9}, std::pair{0, 9}, std::pair{5, 4}, std::pair{1, 0}}) {
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(kSurfaceClear, 12, 12), kOk);
    // Start where the diagonal of the case needs it.
    const int x1 = x2 == 0 ? 9 : x2 - (x2 == 1 ? 1 : y2);
    const int y1 = x2 == 1 ? 1 : 0;
    ASSERT_EQ(s.PlotLine(x1, y1, x2, y2, 0xFFFFFF, kLineAntiAliased), kOk);
    const int n = std::abs(x2 - x1) + 1;
    int lit = 0;
    const uint16_t full = RefWeighted(0xFFFF, 0, 31);
    for (int32_t y = 0; y < 12; ++y)
      for (int32_t x = 0; x < 12; ++x)
        if (Get(s, x, y) != 0) {
          ++lit;
          EXPECT_EQ(Get(s, x, y), full) << x << "," << y;
        }
    EXPECT_EQ(lit, n);
  }
}

TEST(PlotLineTest, AntiAliasOptionDoesNotTouchStraightRuns) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 8, 8), kOk);
  ASSERT_EQ(s.PlotLine(6, 2, 1, 2, 0x0000FF, kLineAntiAliased), kOk);
  ASSERT_EQ(s.PlotLine(3, 7, 3, 4, 0x00FF00, kLineAntiAliased), kOk);
  for (int x = 1; x <= 6; ++x) EXPECT_EQ(Get(s, x, 2), 0xF800);
  for (int y = 4; y <= 7; ++y) EXPECT_EQ(Get(s, 3, y), 0x07E0);
  EXPECT_EQ(Get(s, 0, 2), 0);
  EXPECT_EQ(Get(s, 7, 2), 0);
}

TEST(PlotLineTest, ClippingKeepsEveryPixelInsideTheClip) {
  TestContext tc;
  std::mt19937 rng(5);
  for (int trial = 0; trial < 400; ++trial) {
    Surface s(&tc.ctx);
    ASSERT_EQ(s.Create(kSurfaceClear, 30, 20), kOk);
    const Rect clip{static_cast<int32_t>(rng() % 10), static_cast<int32_t>(rng() % 8),
                    15 + static_cast<int32_t>(rng() % 16), 10 + static_cast<int32_t>(rng() % 11)};
    ASSERT_EQ(s.SetClipRect(&clip), kOk);
    const auto coord = [&rng](int span) { return static_cast<int32_t>(rng() % (3 * span)) - span; };
    const int32_t x1 = coord(30), y1 = coord(20), x2 = coord(30), y2 = coord(20);
    const uint32_t opts = (trial & 1) ? kLineAntiAliased : 0;
    SCOPED_TRACE(::testing::Message() << "(" << x1 << "," << y1 << ")-(" << x2 << "," << y2 << ")");
    ASSERT_EQ(s.PlotLine(x1, y1, x2, y2, 0xFFFFFF, opts), kOk);
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
  for (int i = 0; i < 20; ++i) {
    if (i == 5) continue;
    EXPECT_EQ(Get(s, i, i), (i >= 2 && i < 10) ? 0xF800 : 0) << i;
  }
  // Both ends beyond one edge: nothing, and success.
  const auto before = testing::RawBuffer(s);
  EXPECT_EQ(s.PlotLine(12, 0, 19, 19, 0xFFFFFF, 0), kOk);
  EXPECT_EQ(s.PlotLine(0, 0, 19, 1, 0xFFFFFF, kLineAntiAliased), kOk);
  EXPECT_EQ(testing::RawBuffer(s), before);
}

TEST(PlotLineTest, EndpointsOutsideWithoutClipAreRefused) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 10, 10), kOk);
  const auto before = testing::RawBuffer(s);
  struct Row {
    int32_t x1, y1, x2, y2;
  };
  for (const Row& r : {Row{-1, 0, 5, 5}, Row{0, 0, 10, 5}, Row{0, 0, 5, 10}, Row{3, -1, 3, 4},
                       Row{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}}) {
    EXPECT_EQ(s.PlotLine(r.x1, r.y1, r.x2, r.y2, 0xFFFFFF, 0), kErrBadRect);
    EXPECT_EQ(s.PlotLine(r.x1, r.y1, r.x2, r.y2, 0xFFFFFF, kLineAntiAliased), kErrBadRect);
  }
  EXPECT_EQ(testing::RawBuffer(s), before);
}

TEST(PlotLineTest, UncheckedSurfaceClipsToItself) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear | kSurfaceNoBoundsCheck, 10, 10), kOk);
  EXPECT_EQ(s.PlotLine(INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0xFFFFFF, kLineAntiAliased), kOk);
  EXPECT_EQ(s.PlotLine(-50, 3, 50, 3, 0xFFFFFF, 0), kOk);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(Get(s, x, 3), 0xFFFF);
}

}  // namespace
}  // namespace abacine
