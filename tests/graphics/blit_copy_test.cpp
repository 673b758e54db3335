// BlitAt: plain, colour-keyed, multiply and screen copies against a slow
// per-pixel reference on seeded random surfaces (odd sizes and offsets,
// values biased toward the key, black and white), clipping and bad input.
#include <gtest/gtest.h>

#include <random>

#include "graphics/pixel_ops.h"
#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Grid;
using testing::Put;
using testing::TestContext;

constexpr uint32_t kKeyColour = 0x00FF00FF;  // pixel 0xF81F
constexpr uint16_t kKeyPixel = 0xF81F;

uint16_t RefPixel(uint16_t s, uint16_t d, uint32_t options, uint32_t colour) {
  if ((options & kBlitColourKey) && s == kKeyPixel) return d;
  const int sr = s >> 11, sg = (s >> 5) & 63, sb = s & 31;
  const int cr = colour & 255, cg = (colour >> 8) & 255, cb = (colour >> 16) & 255;
  if (options & kBlitMultiply) {
    return static_cast<uint16_t>(((cr * sr) >> 8) << 11 | ((cg * sg) >> 8) << 5 | ((cb * sb) >> 8));
  }
  if (options & kBlitScreen) {
    const int r = 31 - (255 - 8 * sr) * (255 - cr) / 2048;
    const int g = 63 - (255 - 4 * sg) * (255 - cg) / 1024;
    const int b = 31 - (255 - 8 * sb) * (255 - cb) / 2048;
    return static_cast<uint16_t>(r << 11 | g << 5 | b);
  }
  return s;
}

TEST(BlitAtTest, MatchesTheReferenceOnRandomSurfaces) {
  const uint32_t option_sets[] = {0,
                                  kBlitColourKey,
                                  kBlitMultiply,
                                  kBlitMultiply | kBlitColourKey,
                                  kBlitScreen,
                                  kBlitScreen | kBlitColourKey,
                                  kBlitMultiply | kBlitScreen,
                                  kBlitColourKey | 0x0004 | 0x0100};  // unused bits change nothing
  std::mt19937 rng(1234);
  for (int32_t o : testing::kOrientations) {
    for (const auto& p : testing::kPitchSigns) {
      TestContext tc(o, p.x_pitch, p.y_pitch);
      for (uint32_t options : option_sets) {
        for (int trial = 0; trial < 12; ++trial) {
          const int32_t tw = 1 + static_cast<int32_t>(rng() % 71);
          const int32_t th = 1 + static_cast<int32_t>(rng() % 19);
          const int32_t sw = 1 + static_cast<int32_t>(rng() % 71);
          const int32_t sh = 1 + static_cast<int32_t>(rng() % 19);
          Surface t(&tc.ctx);
          Surface s(&tc.ctx);
          ASSERT_EQ(t.Create(0, tw, th), kOk);
          ASSERT_EQ(s.Create(0, sw, sh), kOk);
          s.SetKeyColour(kKeyColour);
          testing::FillRandom(t, rng, kKeyPixel);
          testing::FillRandom(s, rng, kKeyPixel);
          // A source rectangle and a position that keep both inside.
          const int32_t w = 1 + static_cast<int32_t>(rng() % std::min(tw, sw));
          const int32_t h = 1 + static_cast<int32_t>(rng() % std::min(th, sh));
          const int32_t sx = static_cast<int32_t>(rng() % (sw - w + 1));
          const int32_t sy = static_cast<int32_t>(rng() % (sh - h + 1));
          const int32_t dx = static_cast<int32_t>(rng() % (tw - w + 1));
          const int32_t dy = static_cast<int32_t>(rng() % (th - h + 1));
          const Rect src{sx, sy, sx + w, sy + h};
          Effects fx;
          fx.scale_or_colour = rng() & 0xFFFFFF;
          SCOPED_TRACE(::testing::Message()
                       << "o " << o << " pitch " << p.x_pitch << " options 0x" << std::hex
                       << options << std::dec << " target " << tw << "x" << th << " source " << sw
                       << "x" << sh << " rect " << sx << "," << sy << " " << w << "x" << h
                       << " at " << dx << "," << dy);
          const auto raw = testing::RawBuffer(t);
          const auto source_raw = testing::RawBuffer(s);
          Grid want = testing::Snapshot(t);
          for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
              want.at(dx + x, dy + y) =
                  RefPixel(Get(s, sx + x, sy + y), want.at(dx + x, dy + y), options, fx.scale_or_colour);
          ASSERT_EQ(t.BlitAt(dx, dy, &s, &src, options, &fx), kOk);
          const Grid got = testing::Snapshot(t);
          ASSERT_EQ(want.pixels, got.pixels) << testing::FirstDifference(want, got);
          ASSERT_EQ(testing::ExpectedRaw(t, raw, want), testing::RawBuffer(t)) << "stray write";
          ASSERT_EQ(source_raw, testing::RawBuffer(s)) << "source changed";
        }
      }
    }
  }
}

TEST(BlitAtTest, WholeSurfaceCopy) {
  for (int32_t o : testing::kOrientations) {
    TestContext tc(o, 2, 960);
    Surface t(&tc.ctx);
    Surface s(&tc.ctx);
    ASSERT_EQ(t.Create(kSurfaceClear, 9, 5), kOk);
    ASSERT_EQ(s.Create(0, 9, 5), kOk);
    std::mt19937 rng(static_cast<unsigned>(o));
    testing::FillRandom(s, rng, 0);
    ASSERT_EQ(t.BlitAt(0, 0, &s, nullptr, 0, nullptr), kOk);
    EXPECT_EQ(testing::Snapshot(t).pixels, testing::Snapshot(s).pixels) << "o " << o;
  }
}

TEST(BlitAtTest, NegativePositionIsCutByTheClipOrRefused) {
  TestContext tc;
  Surface t(&tc.ctx);
  Surface s(&tc.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 10, 4), kOk);
  ASSERT_EQ(s.Create(0, 6, 2), kOk);
  for (int32_t x = 0; x < 6; ++x)
    for (int32_t y = 0; y < 2; ++y) Put(s, x, y, static_cast<uint16_t>(100 + x));
  // Never set: the destination must lie inside.
  EXPECT_EQ(t.BlitAt(-3, 0, &s, nullptr, 0, nullptr), kErrBadRect);
  EXPECT_EQ(Get(t, 0, 0), 0);
  ASSERT_EQ(t.SetClipRect(nullptr), kOk);
  ASSERT_EQ(t.BlitAt(-3, 0, &s, nullptr, 0, nullptr), kOk);
  for (int32_t x = 0; x < 10; ++x) EXPECT_EQ(Get(t, x, 0), x < 3 ? 103 + x : 0) << x;
  // Right and bottom cut too, and a source rectangle moves with the cut.
  const Rect clip{2, 1, 7, 3};
  ASSERT_EQ(t.SetClipRect(&clip), kOk);
  const Rect part{1, 0, 6, 2};
  ASSERT_EQ(t.BlitAt(0, 0, &s, &part, kBlitColourKey, nullptr), kOk);
  EXPECT_EQ(Get(t, 2, 1), 103);
  EXPECT_EQ(Get(t, 4, 1), 105);
  EXPECT_EQ(Get(t, 5, 1), 0);
  EXPECT_EQ(Get(t, 2, 2), 0);  // source row 2 does not exist: the rect ends at row 1
  EXPECT_EQ(t.BlitAt(20, 20, &s, nullptr, 0, nullptr), kOk);  // clipped away
}

TEST(BlitAtTest, BadInput) {
  TestContext tc;
  Surface t(&tc.ctx);
  Surface s(&tc.ctx);
  Surface empty(&tc.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 10, 10), kOk);
  ASSERT_EQ(s.Create(kSurfaceClear, 4, 4), kOk);
  struct Row {
    const char* name;
    int32_t x, y;
    const Surface* source;
    Rect rect;
    bool use_rect;
    uint32_t options;
    bool effects;
    ResultCode want;
  };
  const Row rows[] = {
      {"null source", 0, 0, nullptr, {}, false, 0, false, kErrInvalidArg},
      {"multiply without effects", 0, 0, &s, {}, false, kBlitMultiply, false, kErrInvalidArg},
      {"screen without effects", 0, 0, &s, {}, false, kBlitScreen, false, kErrInvalidArg},
      {"source without pixels", 0, 0, &empty, {}, false, 0, false, kErrNoPixels},
      {"reversed source rect", 0, 0, &s, {3, 3, 1, 1}, true, 0, false, kErrBadRect},
      {"empty source rect", 0, 0, &s, {1, 1, 1, 3}, true, 0, false, kErrBadRect},
      {"source rect outside", 0, 0, &s, {2, 2, 5, 4}, true, 0, false, kErrBadRect},
      {"source rect negative", 0, 0, &s, {-1, 0, 2, 2}, true, 0, false, kErrBadRect},
      {"destination outside", 8, 8, &s, {}, false, 0, false, kErrBadRect},
      {"huge position", INT32_MAX, INT32_MAX, &s, {}, false, 0, false, kErrBadRect},
      {"huge negative", INT32_MIN, INT32_MIN, &s, {}, false, kBlitColourKey, false, kErrBadRect},
      {"extreme rect", 0, 0, &s, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true, 0, false,
       kErrBadRect},
  };
  const auto before = testing::RawBuffer(t);
  Effects fx;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(t.BlitAt(r.x, r.y, r.source, r.use_rect ? &r.rect : nullptr, r.options,
                       r.effects ? &fx : nullptr),
              r.want);
  }
  EXPECT_EQ(testing::RawBuffer(t), before);
}

TEST(BlitAtTest, OptionPathsNeedRgb565ButPlainCopiesWork) {
  TestContext tc(1, 2, 960, 0x60);
  Surface t(&tc.ctx);
  Surface s(&tc.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 4, 4), kOk);
  ASSERT_EQ(s.Create(0, 2, 2), kOk);
  Put(s, 1, 1, 0x4321);
  Effects fx;
  EXPECT_EQ(t.BlitAt(0, 0, &s, nullptr, kBlitColourKey, nullptr), kErrWrongDisplayState);
  EXPECT_EQ(t.BlitAt(0, 0, &s, nullptr, kBlitMultiply, &fx), kErrWrongDisplayState);
  EXPECT_EQ(t.BlitAt(1, 1, &s, nullptr, 0, nullptr), kOk);
  EXPECT_EQ(Get(t, 2, 2), 0x4321);
}

TEST(BlitAtTest, UncheckedSourceIsReadOnlyInsideItself) {
  TestContext tc;
  Surface t(&tc.ctx);
  Surface s(&tc.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 10, 10), kOk);
  ASSERT_EQ(s.Create(kSurfaceNoBoundsCheck, 4, 4), kOk);
  ASSERT_EQ(s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  const Rect wide{-2, -2, 100, 100};
  ASSERT_EQ(t.SetClipRect(nullptr), kOk);
  EXPECT_EQ(t.BlitAt(0, 0, &s, &wide, 0, nullptr), kOk);
  // Source (0, 0) lands at (2, 2); only the 4 x 4 source exists.
  for (int32_t y = 0; y < 10; ++y)
    for (int32_t x = 0; x < 10; ++x)
      EXPECT_EQ(Get(t, x, y), (x >= 2 && x < 6 && y >= 2 && y < 6) ? 0xFFFF : 0) << x << "," << y;
}

TEST(BlitAtTest, KeyedCopyOfKeyOnlySourceLeavesTheTarget) {
  TestContext tc;
  Surface t(&tc.ctx);
  Surface s(&tc.ctx);
  ASSERT_EQ(t.Create(0, 33, 3), kOk);
  ASSERT_EQ(s.Create(0, 33, 3), kOk);
  ASSERT_EQ(t.FillArea(nullptr, 0x00123456, 0, nullptr), kOk);
  ASSERT_EQ(s.FillArea(nullptr, kKeyColour, 0, nullptr), kOk);
  s.SetKeyColour(kKeyColour);
  const auto before = testing::RawBuffer(t);
  ASSERT_EQ(t.BlitAt(0, 0, &s, nullptr, kBlitColourKey, nullptr), kOk);
  EXPECT_EQ(testing::RawBuffer(t), before);
  // Without the option the key colour is copied like any other.
  ASSERT_EQ(t.BlitAt(0, 0, &s, nullptr, 0, nullptr), kOk);
  EXPECT_EQ(Get(t, 32, 2), kKeyPixel);
}

}  // namespace
}  // namespace abacine
