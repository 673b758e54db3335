// BlitAt: plain, colour-keyed, multiply and screen copies against a slow
// per-pixel reference on seeded random surfaces (odd sizes and offsets,
// values biased toward the key, black and white), clipping and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Between;
using testing::Get;
using testing::Put;
using testing::TestContext;

constexpr uint32_t kKeyColour = 0x00FF00FF;  // pixel 0xF81F
constexpr uint16_t kKeyPixel = 0xF81F;

// The effects written per channel from their definitions.
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
  testing::ForEachLayout([&](TestContext& tc) {
    for (uint32_t options : option_sets) {
      for (int trial = 0; trial < 12; ++trial) {
        // The first plain copy of each layout is a whole-surface copy.
        const bool whole = options == 0 && trial == 0;
        const int32_t tw = Between(rng, 1, 71), th = Between(rng, 1, 19);
        const int32_t sw = whole ? tw : Between(rng, 1, 71), sh = whole ? th : Between(rng, 1, 19);
        Surface t(&tc.ctx);
        Surface s(&tc.ctx);
        testing::MakeRandom(t, tw, th, rng, kKeyPixel);
        testing::MakeRandom(s, sw, sh, rng, kKeyPixel);
        s.SetKeyColour(kKeyColour);
        // A source rectangle and a position that keep both inside.
        const int32_t w = whole ? tw : Between(rng, 1, std::min(tw, sw));
        const int32_t h = whole ? th : Between(rng, 1, std::min(th, sh));
        const int32_t sx = whole ? 0 : Between(rng, 0, sw - w), sy = whole ? 0 : Between(rng, 0, sh - h);
        const int32_t dx = whole ? 0 : Between(rng, 0, tw - w), dy = whole ? 0 : Between(rng, 0, th - h);
        const Rect src{sx, sy, sx + w, sy + h};
        Effects fx;
        fx.scale_or_colour = rng() & 0xFFFFFF;
        SCOPED_TRACE(::testing::Message()
                     << "options 0x" << std::hex << options << std::dec << " target " << tw << "x"
                     << th << " source " << sw << "x" << sh << " rect " << sx << "," << sy << " "
                     << w << "x" << h << " at " << dx << "," << dy);
        const auto source_raw = testing::RawBuffer(s);
        testing::Expected e(t);
        for (int32_t y = 0; y < h; ++y)
          for (int32_t x = 0; x < w; ++x) {
            uint16_t& d = e.want.at(dx + x, dy + y);
            d = RefPixel(Get(s, sx + x, sy + y), d, options, fx.scale_or_colour);
          }
        ASSERT_EQ(t.BlitAt(dx, dy, &s, whole ? nullptr : &src, options, &fx), kOk);
        // A whole-surface copy moves the padding along in one block.
        e.Check(t, !whole);
        if (whole) {
          ASSERT_EQ(testing::RawBuffer(t), source_raw);
        }
        ASSERT_EQ(source_raw, testing::RawBuffer(s)) << "source changed";
      }
    }
  });
}

TEST(BlitAtTest, NegativePositionIsCutByTheClipOrRefused) {
  testing::Scene x;
  ASSERT_EQ(x.t.Create(kSurfaceClear, 10, 4), kOk);
  ASSERT_EQ(x.s.Create(0, 6, 2), kOk);
  for (int32_t c = 0; c < 12; ++c) Put(x.s, c % 6, c / 6, static_cast<uint16_t>(100 + c % 6));
  // Never set: the destination must lie inside.
  EXPECT_EQ(x.t.BlitAt(-3, 0, &x.s, nullptr, 0, nullptr), kErrBadRect);
  EXPECT_EQ(Get(x.t, 0, 0), 0);
  ASSERT_EQ(x.t.SetClipRect(nullptr), kOk);
  ASSERT_EQ(x.t.BlitAt(-3, 0, &x.s, nullptr, 0, nullptr), kOk);
  for (int32_t c = 0; c < 10; ++c) EXPECT_EQ(Get(x.t, c, 0), c < 3 ? 103 + c : 0) << c;
  // Right and bottom cut too, and a source rectangle moves with the cut.
  const Rect clip{2, 1, 7, 3};
  ASSERT_EQ(x.t.SetClipRect(&clip), kOk);
  const Rect part{1, 0, 6, 2};
  ASSERT_EQ(x.t.BlitAt(0, 0, &x.s, &part, kBlitColourKey, nullptr), kOk);
  EXPECT_EQ(Get(x.t, 2, 1), 103);
  EXPECT_EQ(Get(x.t, 4, 1), 105);
  EXPECT_EQ(Get(x.t, 5, 1), 0);
  EXPECT_EQ(Get(x.t, 2, 2), 0);  // source row 2 does not exist: the rect ends at row 1
  EXPECT_EQ(x.t.BlitAt(20, 20, &x.s, nullptr, 0, nullptr), kOk);  // clipped away
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
    ResultCode want;
  };
  constexpr ResultCode bad = kErrBadRect;
  const Row rows[] = {
      {"null source", 0, 0, nullptr, {}, false, 0, kErrInvalidArg},
      {"multiply without effects", 0, 0, &s, {}, false, kBlitMultiply, kErrInvalidArg},
      {"screen without effects", 0, 0, &s, {}, false, kBlitScreen, kErrInvalidArg},
      {"source without pixels", 0, 0, &empty, {}, false, 0, kErrNoPixels},
      {"reversed source rect", 0, 0, &s, {3, 3, 1, 1}, true, 0, bad},
      {"empty source rect", 0, 0, &s, {1, 1, 1, 3}, true, 0, bad},
      {"source rect outside", 0, 0, &s, {2, 2, 5, 4}, true, 0, bad},
      {"source rect negative", 0, 0, &s, {-1, 0, 2, 2}, true, 0, bad},
      {"destination outside", 8, 8, &s, {}, false, 0, bad},
      {"huge position", INT32_MAX, INT32_MAX, &s, {}, false, 0, bad},
      {"huge negative", INT32_MIN, INT32_MIN, &s, {}, false, kBlitColourKey, bad},
      {"extreme rect", 0, 0, &s, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, true, 0, bad},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    EXPECT_EQ(t.BlitAt(r.x, r.y, r.source, r.use_rect ? &r.rect : nullptr, r.options, nullptr),
              r.want);
  }
  for (uint16_t p : testing::RawBuffer(t)) ASSERT_EQ(p, 0);
}

TEST(BlitAtTest, UncheckedSourceIsReadOnlyInsideItself) {
  testing::Scene x;
  ASSERT_EQ(x.t.Create(kSurfaceClear, 10, 10), kOk);
  ASSERT_EQ(x.s.Create(kSurfaceNoBoundsCheck, 4, 4), kOk);
  ASSERT_EQ(x.s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  const Rect wide{-2, -2, 100, 100};
  ASSERT_EQ(x.t.SetClipRect(nullptr), kOk);
  EXPECT_EQ(x.t.BlitAt(0, 0, &x.s, &wide, 0, nullptr), kOk);
  // Source (0, 0) lands at (2, 2); only the 4 x 4 source exists.
  EXPECT_EQ(testing::Lit(x.t), (std::vector<std::string>{
                                   "..........", "..........", "..####....", "..####....",
                                   "..####....", "..####....", "..........", "..........",
                                   "..........", ".........."}));
  EXPECT_EQ(Get(x.t, 2, 2), 0xFFFF);
}

}  // namespace
}  // namespace abacine
