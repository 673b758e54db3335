// Colour conversion, the blend arithmetic, and FillArea (plain, half and
// weighted), against per-channel references on random surfaces.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "graphics/pixel_ops.h"
#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::PixelToColour;
using testing::RefHalf;
using testing::RefWeighted;
using testing::TestContext;
using Picture = std::vector<std::string>;

TEST(ColourTest, TruncatesEachChannel) {
  struct Row {
    uint32_t colour;
    uint16_t pixel;
  };
  for (const Row& r : {Row{0x00FFFFFF, 0xFFFF}, Row{0x00000000, 0x0000}, Row{0x000000FF, 0xF800},
                       Row{0x00FF0000, 0x001F}, Row{0x0000FF00, 0x07E0}, Row{0x00070307, 0x0000},
                       Row{0x00080408, 0x0821}, Row{0xFF000000, 0x0000}, Row{0x00FF00FF, 0xF81F}}) {
    EXPECT_EQ(ColourToPixel(r.colour), r.pixel) << std::hex << r.colour;
  }
  for (uint32_t p = 0; p < 0x10000; ++p) {
    ASSERT_EQ(ColourToPixel(PixelToColour(static_cast<uint16_t>(p))), p);
  }
}

TEST(BlendTest, HalfAndWeightedBlendsMatchThePerChannelRules) {
  EXPECT_EQ(pixel::BlendHalf565(0xFFFF, 0x0000), 0x7BEF);  // not 0x7FFF
  EXPECT_EQ(pixel::BlendHalf565(0xFFFF, 0xFFFF), 0xF7DE);
  // White onto black at w = 1 raises green by one step only.
  EXPECT_EQ(pixel::BlendWeighted565(0xFFFF, 0x0000, 1), 0x0020);
  // Black onto white at w = 31: floor(-31 * 31 / 32) = -31 takes red and blue to
  // 0, floor(-63 * 31 / 32) = -62 leaves green at 1.
  EXPECT_EQ(pixel::BlendWeighted565(0x0000, 0xFFFF, 31), 0x0020);
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const auto s = static_cast<uint16_t>(rng());
    const auto d = static_cast<uint16_t>(rng());
    ASSERT_EQ(pixel::BlendHalf565(s, d), RefHalf(s, d)) << std::hex << s << " " << d;
    const uint32_t pair = pixel::BlendHalfPair(s | (uint32_t{d} << 16), d | (uint32_t{s} << 16));
    ASSERT_EQ(pair & 0xFFFF, RefHalf(s, d));
    ASSERT_EQ(pair >> 16, RefHalf(d, s));
  }
  const uint16_t edges[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0x0821, 0xF7DE, 0x7BEF};
  for (int w = 0; w < 32; ++w) {
    SCOPED_TRACE(w);
    for (uint16_t s : edges)
      for (uint16_t d : edges) ASSERT_EQ(pixel::BlendWeighted565(s, d, w), RefWeighted(s, d, w));
    for (int i = 0; i < 50000; ++i) {
      const auto s = static_cast<uint16_t>(rng());
      const auto d = static_cast<uint16_t>(rng());
      ASSERT_EQ(pixel::BlendWeighted565(s, d, w), RefWeighted(s, d, w)) << std::hex << s << " " << d;
    }
  }
}

TEST(BlendTest, MultiplyAndScreenEdgeValues) {
  // Random pixels and colours are compared with the channel formulas by the
  // BlitAt reference test; these are the ends of the ranges.
  EXPECT_EQ(pixel::Multiply565(0xFFFF, 0x00FFFFFF), (30 << 11) | (62 << 5) | 30);  // 255/256
  EXPECT_EQ(pixel::Multiply565(0xFFFF, 0x00000000), 0x0000);
  EXPECT_EQ(pixel::Multiply565(0xFFFF, 0x000000FF), 30 << 11);  // red only
  EXPECT_EQ(pixel::Screen565(0x0000, 0x00000000), 0x0000);
  EXPECT_EQ(pixel::Screen565(0x0000, 0x00FFFFFF), 0xFFFF);
  EXPECT_EQ(pixel::Screen565(0xFFFF, 0x00000000), 0xFFFF);
}

TEST(FillAreaTest, MatchesTheReferenceOnRandomSurfaces) {
  // Opacity 256 stands for "no opacity option".
  const uint32_t opacities[] = {256, 255, 128, 8, 200, 7, 129};
  std::mt19937 rng(2024);
  testing::ForEachLayout([&](TestContext& tc) {
    for (uint32_t opacity : opacities) {
      for (int trial = 0; trial < 6; ++trial) {
        const int32_t w = testing::Between(rng, 1, 37), h = testing::Between(rng, 1, 23);
        Surface s(&tc.ctx);
        testing::MakeRandom(s, w, h, rng, 0xF81F);
        const int32_t x0 = testing::Between(rng, 0, w - 1), y0 = testing::Between(rng, 0, h - 1);
        const Rect r{x0, y0, testing::Between(rng, x0 + 1, w), testing::Between(rng, y0 + 1, h)};
        SCOPED_TRACE(::testing::Message() << "opacity " << opacity << " size " << w << "x" << h
                                          << " rect " << r.left << "," << r.top << "," << r.right
                                          << "," << r.bottom);
        const uint16_t colour = testing::BiasedPixel(rng, 0xF81F);
        const bool with = opacity != 256;
        testing::Expected e(s);
        for (int32_t y = r.top; y < r.bottom; ++y)
          for (int32_t x = r.left; x < r.right; ++x)
            e.want.at(x, y) = testing::RefOpacity(colour, e.want.at(x, y), with ? opacity : 255);
        ASSERT_EQ(s.FillArea(&r, PixelToColour(colour), with ? kFillOpacity : 0,
                             with ? &opacity : nullptr),
                  kOk);
        e.Check(s);
      }
    }
  });
}

// The weighted fill's vector kernel (16-bit lanes) against the per-channel
// rule at every weight, on runs long enough to leave the single-pixel head.
TEST(FillAreaTest, WeightedKernelMatchesThePerChannelRuleAtEveryWeight) {
  std::mt19937 rng(31);
  testing::ForEachLayout([&](TestContext& tc) {
    for (uint32_t opacity = 1; opacity < 255; opacity += 7) {
      if (opacity == 128) continue;  // the half blend
      SCOPED_TRACE(opacity);
      Surface s(&tc.ctx);
      testing::MakeRandom(s, 131, 3, rng, 0xF81F);
      const uint16_t colour = testing::BiasedPixel(rng, 0xF81F);
      testing::Expected e(s);
      for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 131; ++x) e.want.at(x, y) = testing::RefOpacity(colour, e.want.at(x, y), opacity);
      ASSERT_EQ(s.FillArea(nullptr, PixelToColour(colour), kFillOpacity, &opacity), kOk);
      e.Check(s);
    }
  });
}

TEST(FillAreaTest, OpacityEdgeCases) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 4, 4), kOk);
  const Rect r{0, 0, 2, 2};
  uint32_t o = 256;
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, kFillOpacity, &o), kErrInvalidArg);
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, kFillOpacity, nullptr), kErrInvalidArg);
  o = 0;
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, kFillOpacity, &o), kOk);
  EXPECT_EQ(Get(s, 0, 0), 0x0000);
  o = 8;
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, kFillOpacity, &o), kOk);
  EXPECT_EQ(Get(s, 1, 1), 0x0020);
  EXPECT_EQ(Get(s, 2, 2), 0x0000);
  o = 128;
  EXPECT_EQ(s.FillArea(nullptr, 0xFFFFFF, kFillOpacity, &o), kOk);
  EXPECT_EQ(Get(s, 3, 3), 0x7BEF);
  o = 255;
  EXPECT_EQ(s.FillArea(nullptr, 0x0000FF, kFillOpacity, &o), kOk);
  EXPECT_EQ(Get(s, 3, 3), 0xF800);
  // Opacity without the option is ignored.
  o = 999;
  EXPECT_EQ(s.FillArea(nullptr, 0x00FF0000, 0, &o), kOk);
  EXPECT_EQ(Get(s, 0, 3), 0x001F);
}

TEST(FillAreaTest, AreaChecksAndClipping) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 10, 8), kOk);
  struct Row {
    Rect r;
    ResultCode want;
  };
  const Rect huge{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  for (const Row& r : {Row{{0, 0, 10, 8}, kOk}, Row{{9, 7, 10, 8}, kOk},
                       Row{{4, 4, 2, 2}, kOk},  // reversed: normalised
                       Row{{-1, 0, 3, 3}, kErrBadRect}, Row{{0, 0, 11, 3}, kErrBadRect},
                       Row{{0, 7, 3, 9}, kErrBadRect}, Row{{3, 3, 3, 5}, kErrBadRect},  // empty
                       Row{huge, kErrBadRect}}) {
    SCOPED_TRACE(::testing::Message() << r.r.left << "," << r.r.top << "," << r.r.right << ","
                                      << r.r.bottom);
    EXPECT_EQ(s.FillArea(&r.r, 0xFFFFFF, 0, nullptr), r.want);
  }
  // With a clip rectangle the same areas are cut instead of refused.
  ASSERT_EQ(s.Create(kSurfaceClear, 10, 8), kOk);
  const Rect clip{2, 2, 6, 5};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  EXPECT_EQ(s.FillArea(&huge, 0xFFFFFF, 0, nullptr), kOk);
  const Rect outside{7, 0, 9, 2};
  EXPECT_EQ(s.FillArea(&outside, 0x0000FF, 0, nullptr), kOk);  // clipped away: success
  EXPECT_EQ(testing::Lit(s), (Picture{"..........", "..........", "..####....", "..####....",
                                      "..####....", "..........", "..........", ".........."}));
}

TEST(FillAreaTest, UncheckedSurfaceIsStillCutToItsOwnExtent) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceNoBoundsCheck | kSurfaceClear, 6, 4), kOk);
  const Rect r{-100, -100, 3, 2};
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, 0, nullptr), kOk);
  const Rect far{1000, 1000, 2000, 2000};
  EXPECT_EQ(s.FillArea(&far, 0xFFFFFF, 0, nullptr), kOk);
  EXPECT_EQ(testing::Lit(s), (Picture{"###...", "###...", "......", "......"}));
  EXPECT_EQ(Get(s, 2, 1), 0xFFFF);
}

}  // namespace
}  // namespace abacine
