// Colour conversion, the blend arithmetic, and FillArea (plain, half and
// weighted), against per-channel references on random surfaces.
#include <gtest/gtest.h>

#include <random>

#include "graphics/pixel_ops.h"
#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Grid;
using testing::PixelToColour;
using testing::RefHalf;
using testing::RefWeighted;
using testing::TestContext;

TEST(ColourTest, TruncatesEachChannel) {
  struct Row {
    uint32_t colour;
    uint16_t pixel;
  };
  const Row rows[] = {
      {0x00FFFFFF, 0xFFFF}, {0x00000000, 0x0000}, {0x000000FF, 0xF800}, {0x00FF0000, 0x001F},
      {0x0000FF00, 0x07E0}, {0x00070307, 0x0000}, {0x00080408, 0x0821}, {0xFF000000, 0x0000},
      {0x00FF00FF, 0xF81F},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ColourToPixel(r.colour), r.pixel) << std::hex << r.colour;
  }
  for (uint32_t p = 0; p < 0x10000; ++p) {
    ASSERT_EQ(ColourToPixel(PixelToColour(static_cast<uint16_t>(p))), p);
  }
}

TEST(BlendTest, HalfBlendDropsEachChannelsLowBit) {
  EXPECT_EQ(pixel::BlendHalf565(0xFFFF, 0x0000), 0x7BEF);
  EXPECT_EQ(pixel::BlendHalf565(0xFFFF, 0xFFFF), 0xF7DE);
  std::mt19937 rng(7);
  for (int i = 0; i < 200000; ++i) {
    const uint16_t s = static_cast<uint16_t>(rng());
    const uint16_t d = static_cast<uint16_t>(rng());
    ASSERT_EQ(pixel::BlendHalf565(s, d), RefHalf(s, d)) << std::hex << s << " " << d;
    const uint32_t pair_s = s | (uint32_t{d} << 16);
    const uint32_t pair_d = d | (uint32_t{s} << 16);
    const uint32_t pair = pixel::BlendHalfPair(pair_s, pair_d);
    ASSERT_EQ(pair & 0xFFFF, RefHalf(s, d));
    ASSERT_EQ(pair >> 16, RefHalf(d, s));
  }
}

TEST(BlendTest, WeightedBlendIsThePerChannelFloorForEveryWeight) {
  // White onto black at w = 1 raises green by one step only.
  EXPECT_EQ(pixel::BlendWeighted565(0xFFFF, 0x0000, 1), 0x0020);
  // Black onto white at w = 31: floor(-31 * 31 / 32) = -31 takes red and blue to
  // 0, floor(-63 * 31 / 32) = -62 leaves green at 1.
  EXPECT_EQ(pixel::BlendWeighted565(0x0000, 0xFFFF, 31), 0x0020);
  std::mt19937 rng(11);
  const uint16_t edges[] = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F, 0x0821, 0xF7DE, 0x7BEF};
  for (int w = 0; w < 32; ++w) {
    SCOPED_TRACE(w);
    for (uint16_t s : edges)
      for (uint16_t d : edges) ASSERT_EQ(pixel::BlendWeighted565(s, d, w), RefWeighted(s, d, w));
    for (int i = 0; i < 50000; ++i) {
      const uint16_t s = static_cast<uint16_t>(rng());
      const uint16_t d = static_cast<uint16_t>(rng());
      ASSERT_EQ(pixel::BlendWeighted565(s, d, w), RefWeighted(s, d, w)) << std::hex << s << " " << d;
    }
    EXPECT_EQ(pixel::BlendWeighted565(0x1234, 0xABCD, 0), 0xABCD);
  }
}

TEST(BlendTest, MultiplyAndScreenFollowTheChannelFormulas) {
  // Multiply by white keeps (255/256 of) each channel; by black gives black.
  EXPECT_EQ(pixel::Multiply565(0xFFFF, 0x00FFFFFF), (30 << 11) | (62 << 5) | 30);
  EXPECT_EQ(pixel::Multiply565(0xFFFF, 0x00000000), 0x0000);
  EXPECT_EQ(pixel::Multiply565(0xFFFF, 0x000000FF), 30 << 11);  // red only
  // Screen with black keeps dark channels low; with white goes to full.
  EXPECT_EQ(pixel::Screen565(0x0000, 0x00000000), 0x0000);
  EXPECT_EQ(pixel::Screen565(0x0000, 0x00FFFFFF), 0xFFFF);
  EXPECT_EQ(pixel::Screen565(0xFFFF, 0x00000000), 0xFFFF);
  std::mt19937 rng(3);
  for (int i = 0; i < 100000; ++i) {
    const uint16_t s = static_cast<uint16_t>(rng());
    const uint32_t c = rng() & 0xFFFFFF;
    const int sr = s >> 11, sg = (s >> 5) & 63, sb = s & 31;
    const int cr = c & 255, cg = (c >> 8) & 255, cb = (c >> 16) & 255;
    const int mr = cr * sr / 256, mg = cg * sg / 256, mb = cb * sb / 256;
    ASSERT_EQ(pixel::Multiply565(s, c), (mr << 11) | (mg << 5) | mb);
    const int xr = 31 - (255 - 8 * sr) * (255 - cr) / 2048;
    const int xg = 63 - (255 - 4 * sg) * (255 - cg) / 1024;
    const int xb = 31 - (255 - 8 * sb) * (255 - cb) / 2048;
    ASSERT_EQ(pixel::Screen565(s, c), (xr << 11) | (xg << 5) | xb);
  }
}

struct FillCase {
  const char* name;
  bool use_opacity;
  uint32_t opacity;
};

uint16_t RefFill(uint16_t colour, uint16_t d, const FillCase& c) {
  if (!c.use_opacity || c.opacity == 255) return colour;
  if (c.opacity == 0) return d;
  if (c.opacity == 128) return RefHalf(colour, d);
  return RefWeighted(colour, d, static_cast<int>(c.opacity >> 3));
}

TEST(FillAreaTest, MatchesTheReferenceOnRandomSurfaces) {
  const FillCase cases[] = {{"plain", false, 0},      {"opacity 255", true, 255},
                            {"half", true, 128},      {"weighted 8", true, 8},
                            {"weighted 200", true, 200}, {"weighted 7", true, 7},
                            {"weighted 129", true, 129}};
  std::mt19937 rng(2024);
  for (int32_t o : testing::kOrientations) {
    for (const auto& p : testing::kPitchSigns) {
      TestContext tc(o, p.x_pitch, p.y_pitch);
      for (const FillCase& fc : cases) {
        for (int trial = 0; trial < 6; ++trial) {
          const int32_t w = 1 + static_cast<int32_t>(rng() % 37);
          const int32_t h = 1 + static_cast<int32_t>(rng() % 23);
          SCOPED_TRACE(::testing::Message() << fc.name << " o " << o << " pitch " << p.x_pitch
                                            << " size " << w << "x" << h << " trial " << trial);
          Surface s(&tc.ctx);
          ASSERT_EQ(s.Create(0, w, h), kOk);
          testing::FillRandom(s, rng, 0xF81F);
          const auto raw = testing::RawBuffer(s);
          Grid want = testing::Snapshot(s);
          const int32_t x0 = static_cast<int32_t>(rng() % w);
          const int32_t y0 = static_cast<int32_t>(rng() % h);
          const int32_t x1 = x0 + 1 + static_cast<int32_t>(rng() % (w - x0));
          const int32_t y1 = y0 + 1 + static_cast<int32_t>(rng() % (h - y0));
          const Rect r{x0, y0, x1, y1};
          const uint16_t colour = testing::BiasedPixel(rng, 0xF81F);
          for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) want.at(x, y) = RefFill(colour, want.at(x, y), fc);
          const uint32_t opacity = fc.opacity;
          ASSERT_EQ(s.FillArea(&r, PixelToColour(colour), fc.use_opacity ? kFillOpacity : 0,
                               fc.use_opacity ? &opacity : nullptr),
                    kOk);
          const Grid got = testing::Snapshot(s);
          ASSERT_EQ(want.pixels, got.pixels) << testing::FirstDifference(want, got);
          ASSERT_EQ(testing::ExpectedRaw(s, raw, want), testing::RawBuffer(s)) << "stray write";
        }
      }
    }
  }
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
  const Row rows[] = {
      {{0, 0, 10, 8}, kOk},        {{9, 7, 10, 8}, kOk},
      {{4, 4, 2, 2}, kOk},         // reversed: normalised
      {{-1, 0, 3, 3}, kErrBadRect}, {{0, 0, 11, 3}, kErrBadRect},
      {{0, 7, 3, 9}, kErrBadRect},  {{3, 3, 3, 5}, kErrBadRect},  // empty
      {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, kErrBadRect},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << r.r.left << "," << r.r.top << "," << r.r.right << ","
                                      << r.r.bottom);
    EXPECT_EQ(s.FillArea(&r.r, 0xFFFFFF, 0, nullptr), r.want);
  }
  // With a clip rectangle the same areas are cut instead of refused.
  ASSERT_EQ(s.Create(kSurfaceClear, 10, 8), kOk);
  const Rect clip{2, 2, 6, 5};
  ASSERT_EQ(s.SetClipRect(&clip), kOk);
  const Rect big{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
  EXPECT_EQ(s.FillArea(&big, 0xFFFFFF, 0, nullptr), kOk);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 10; ++x)
      EXPECT_EQ(Get(s, x, y), (x >= 2 && x < 6 && y >= 2 && y < 5) ? 0xFFFF : 0) << x << "," << y;
  const Rect outside{7, 0, 9, 2};
  EXPECT_EQ(s.FillArea(&outside, 0x0000FF, 0, nullptr), kOk);  // clipped away: success
  EXPECT_EQ(Get(s, 7, 0), 0);
}

TEST(FillAreaTest, UncheckedSurfaceIsStillCutToItsOwnExtent) {
  TestContext tc;
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceNoBoundsCheck | kSurfaceClear, 6, 4), kOk);
  const auto before = testing::RawBuffer(s);
  const Rect r{-100, -100, 3, 2};
  EXPECT_EQ(s.FillArea(&r, 0xFFFFFF, 0, nullptr), kOk);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 6; ++x) EXPECT_EQ(Get(s, x, y), (x < 3 && y < 2) ? 0xFFFF : 0);
  const Rect far{1000, 1000, 2000, 2000};
  EXPECT_EQ(s.FillArea(&far, 0xFFFFFF, 0, nullptr), kOk);
}

TEST(FillAreaTest, NonRgb565Display) {
  TestContext tc(1, 2, 960, 0x60);  // 5-5-5
  Surface s(&tc.ctx);
  ASSERT_EQ(s.Create(kSurfaceClear, 4, 4), kOk);
  const Rect r{0, 0, 2, 2};
  EXPECT_EQ(s.FillArea(&r, 0x0000FF, 0, nullptr), kOk);
  EXPECT_EQ(Get(s, 1, 1), 0xF800);  // the truncated 5-6-5 pixel
  const uint32_t o = 128;
  EXPECT_EQ(s.FillArea(&r, 0x0000FF, kFillOpacity, &o), kErrWrongDisplayState);
  EXPECT_EQ(s.PlotLine(0, 0, 3, 0, 0xFFFFFF, 0), kErrWrongDisplayState);
}

TEST(FillAreaTest, CheckOrder) {
  TestContext tc;
  Surface s(&tc.ctx);
  EXPECT_EQ(s.FillArea(nullptr, 0, 0, nullptr), kErrNoPixels);
  ASSERT_EQ(s.Create(kSurfaceReadOnly, 4, 4), kOk);
  s.AddFlags(kSurfaceLocked);
  EXPECT_EQ(s.FillArea(nullptr, 0, 0, nullptr), kErrLocked);
  s.RemoveFlags(kSurfaceLocked);
  EXPECT_EQ(s.FillArea(nullptr, 0, 0, nullptr), kErrReadOnlyTarget);
  ASSERT_EQ(s.Create(0, 4, 4), kOk);
  tc.Close();
  EXPECT_EQ(s.FillArea(nullptr, 0, 0, nullptr), kErrWrongDisplayState);
}

}  // namespace
}  // namespace abacine
