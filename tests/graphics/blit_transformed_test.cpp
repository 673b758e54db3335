// BlitTransformed against a reference of the fixed-point inverse mapping,
// evaluated per destination pixel straight from its definition, for several
// angles and zooms, every orientation and pitch sign, with key and opacity.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Grid;
using testing::RefHalf;
using testing::RefWeighted;
using testing::TestContext;

constexpr uint32_t kKeyColour = 0x00FF00FF;
constexpr uint16_t kKeyPixel = 0xF81F;

struct Transform {
  Rect dest;
  Rect src;
  uint32_t options;
  Effects fx;
};

// Draws into `want` what the transformed copy must produce.
void Reference(Grid& want, const Surface& source, const Transform& t, const Rect* clip) {
  const int64_t ws = t.src.right - t.src.left;
  const int64_t hs = t.src.bottom - t.src.top;
  const int64_t dw = t.dest.right - t.dest.left;
  const int64_t dh = t.dest.bottom - t.dest.top;
  int64_t cx = dw >> 1, cy = dh >> 1;
  if (t.options & kBlitCentre) {
    cx = t.fx.centre_x;
    cy = t.fx.centre_y;
  }
  const double theta =
      (t.options & kBlitRotate) ? -static_cast<double>(t.fx.angle) * std::numbers::pi / 18000.0 : 0.0;
  const bool zoom = (t.options & kBlitZoom) != 0;
  const uint32_t scale = zoom ? t.fx.scale_or_colour : 100;
  const float z = zoom ? static_cast<float>(scale) * 0.01f : 1.0f;
  int64_t l = t.dest.left, tp = t.dest.top, r = t.dest.right, b = t.dest.bottom;
  if (clip) {
    l = std::max<int64_t>(l, clip->left);
    tp = std::max<int64_t>(tp, clip->top);
    r = std::min<int64_t>(r, clip->right);
    b = std::min<int64_t>(b, clip->bottom);
  }
  const int64_t g = static_cast<int64_t>(
      (static_cast<double>(ws) * std::fabs(std::cos(theta)) +
       static_cast<double>(hs) * std::fabs(std::sin(theta))) * z / 2 + 1);
  const int64_t ie = static_cast<int64_t>(
      (static_cast<double>(ws) * std::fabs(std::sin(theta)) +
       static_cast<double>(hs) * std::fabs(std::cos(theta))) * z / 2 + 1);
  const int64_t X = t.dest.left + cx, Y = t.dest.top + cy;
  l = std::max(l, X - g);
  tp = std::max(tp, Y - ie);
  r = std::min(r, X + g);
  b = std::min(b, Y + ie);
  if (l >= r || tp >= b) return;
  const int64_t cx16 = (X - l) * 65536, cy16 = (Y - tp) * 65536;
  int64_t bx, ay;
  if (zoom) {
    bx = static_cast<int64_t>(static_cast<float>(std::cos(theta)) * 6553600.0f / static_cast<float>(scale));
    ay = static_cast<int64_t>(static_cast<float>(std::sin(theta)) * 6553600.0f / static_cast<float>(scale));
  } else {
    bx = static_cast<int64_t>(static_cast<float>(std::cos(theta)) * 65536.0f);
    ay = static_cast<int64_t>(static_cast<float>(std::sin(theta)) * 65536.0f);
  }
  const uint32_t opacity = (t.options & 0x0004) ? t.fx.opacity : 255;
  if (opacity == 0) return;
  for (int64_t j = 0; j < b - tp; ++j) {
    for (int64_t i = 0; i < r - l; ++i) {
      const int64_t u = ws * 32768 + (bx >> 1) - (cx16 >> 8) * (bx >> 8) - (ay >> 1) +
                        (ay >> 8) * ((cy16 >> 8) - 256 * j) + i * bx;
      const int64_t v = hs * 32768 + (ay >> 1) + (bx >> 1) - (cx16 >> 8) * (ay >> 8) -
                        (bx >> 8) * ((cy16 >> 8) - 256 * j) + i * ay;
      if (u < 0 || v < 0 || (u >> 16) >= ws || (v >> 16) >= hs) continue;
      const uint16_t s = Get(source, static_cast<int32_t>(t.src.left + (u >> 16)),
                             static_cast<int32_t>(t.src.top + (v >> 16)));
      if ((t.options & kBlitColourKey) && s == kKeyPixel) continue;
      uint16_t& d = want.at(static_cast<int32_t>(l + i), static_cast<int32_t>(tp + j));
      if (opacity == 255) {
        d = s;
      } else if (opacity == 128) {
        d = RefHalf(s, d);
      } else {
        d = RefWeighted(s, d, static_cast<int>(opacity >> 3));
      }
    }
  }
}

TEST(BlitTransformedTest, MatchesTheFixedPointReference) {
  const int32_t angles[] = {0, 9000, 4500, 3000, -3000, 18000, 27000};
  const uint32_t zooms[] = {50, 100, 200, 150};
  const uint32_t opacities[] = {255, 128, 77};
  std::mt19937 rng(77);
  for (int32_t o : testing::kOrientations) {
    for (const auto& p : testing::kPitchSigns) {
      TestContext tc(o, p.x_pitch, p.y_pitch);
      for (int32_t angle : angles) {
        for (uint32_t zoom : zooms) {
          const int32_t tw = 20 + static_cast<int32_t>(rng() % 17);
          const int32_t th = 18 + static_cast<int32_t>(rng() % 15);
          const int32_t sw = 5 + static_cast<int32_t>(rng() % 9);
          const int32_t sh = 4 + static_cast<int32_t>(rng() % 9);
          Surface target(&tc.ctx);
          Surface source(&tc.ctx);
          ASSERT_EQ(target.Create(0, tw, th), kOk);
          ASSERT_EQ(source.Create(0, sw, sh), kOk);
          source.SetKeyColour(kKeyColour);
          testing::FillRandom(target, rng, kKeyPixel);
          testing::FillRandom(source, rng, kKeyPixel);
          Transform t;
          t.dest = Rect{static_cast<int32_t>(rng() % 4), static_cast<int32_t>(rng() % 4),
                        tw - static_cast<int32_t>(rng() % 4), th - static_cast<int32_t>(rng() % 4)};
          t.src = Rect{1, 0, sw, sh - 1};
          t.options = kBlitColourKey | kBlitRotate | kBlitZoom | 0x0004;
          if (rng() % 3 == 0) {
            t.options |= kBlitCentre;
            t.fx.centre_x = static_cast<int32_t>(rng() % 16);
            t.fx.centre_y = static_cast<int32_t>(rng() % 16);
          }
          if (rng() % 4 == 0) t.options &= ~kBlitColourKey;
          t.fx.angle = angle;
          t.fx.scale_or_colour = zoom;
          t.fx.opacity = opacities[rng() % 3];
          SCOPED_TRACE(::testing::Message()
                       << "o " << o << " pitch " << p.x_pitch << " angle " << angle << " zoom "
                       << zoom << " opacity " << t.fx.opacity << " options 0x" << std::hex
                       << t.options);
          const auto raw = testing::RawBuffer(target);
          Grid want = testing::Snapshot(target);
          Reference(want, source, t, nullptr);
          ASSERT_EQ(target.BlitTransformed(&t.dest, &source, &t.src, t.options, &t.fx), kOk);
          const Grid got = testing::Snapshot(target);
          ASSERT_EQ(want.pixels, got.pixels) << testing::FirstDifference(want, got);
          ASSERT_EQ(testing::ExpectedRaw(target, raw, want), testing::RawBuffer(target));
        }
      }
    }
  }
}

TEST(BlitTransformedTest, ClippedAreaMatchesTheReference) {
  TestContext tc;
  std::mt19937 rng(8);
  for (int trial = 0; trial < 40; ++trial) {
    Surface target(&tc.ctx);
    Surface source(&tc.ctx);
    ASSERT_EQ(target.Create(0, 40, 30), kOk);
    ASSERT_EQ(source.Create(0, 9, 7), kOk);
    testing::FillRandom(target, rng, kKeyPixel);
    testing::FillRandom(source, rng, kKeyPixel);
    const Rect clip{static_cast<int32_t>(rng() % 15), static_cast<int32_t>(rng() % 10),
                    20 + static_cast<int32_t>(rng() % 21), 15 + static_cast<int32_t>(rng() % 16)};
    ASSERT_EQ(target.SetClipRect(&clip), kOk);
    Transform t;
    t.dest = Rect{-10, -8, 50, 40};  // partly outside: the clip cuts it
    t.src = Rect{0, 0, 9, 7};
    t.options = kBlitRotate | kBlitZoom | kBlitCentre;
    t.fx.angle = static_cast<int32_t>(rng() % 36000);
    t.fx.scale_or_colour = 50 + static_cast<uint32_t>(rng() % 300);
    t.fx.centre_x = 10 + static_cast<int32_t>(rng() % 40);
    t.fx.centre_y = 8 + static_cast<int32_t>(rng() % 30);
    SCOPED_TRACE(::testing::Message() << "trial " << trial << " angle " << t.fx.angle);
    Grid want = testing::Snapshot(target);
    Reference(want, source, t, &clip);
    ASSERT_EQ(target.BlitTransformed(&t.dest, &source, &t.src, t.options, &t.fx), kOk);
    const Grid got = testing::Snapshot(target);
    ASSERT_EQ(want.pixels, got.pixels) << testing::FirstDifference(want, got);
  }
}

TEST(BlitTransformedTest, DestinationOutsideTheClipDrawsNothing) {
  TestContext tc;
  Surface target(&tc.ctx);
  Surface source(&tc.ctx);
  ASSERT_EQ(target.Create(kSurfaceClear, 40, 40), kOk);
  ASSERT_EQ(source.Create(0, 40, 40), kOk);  // its box around the centre covers the clip
  ASSERT_EQ(source.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  const Rect clip{0, 0, 10, 10};
  ASSERT_EQ(target.SetClipRect(&clip), kOk);
  // Cutting (20, 20, 30, 30) to the clip leaves nothing; it must not come
  // back as the box between the two.
  const Rect dest{20, 20, 30, 30};
  EXPECT_EQ(target.BlitTransformed(&dest, &source, nullptr, 0, nullptr), kOk);
  for (uint16_t p : testing::RawBuffer(target)) ASSERT_EQ(p, 0);
}

TEST(BlitTransformedTest, IdentityCopiesTheSourceAroundTheCentre) {
  TestContext tc;
  Surface target(&tc.ctx);
  Surface source(&tc.ctx);
  ASSERT_EQ(target.Create(kSurfaceClear, 8, 8), kOk);
  ASSERT_EQ(source.Create(0, 4, 4), kOk);
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) testing::Put(source, x, y, static_cast<uint16_t>(1 + x + 4 * y));
  // No rotation or zoom: source centre (2, 2) sits on the target centre (4, 4).
  ASSERT_EQ(target.BlitTransformed(nullptr, &source, nullptr, 0, nullptr), kOk);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const bool in = x >= 2 && x < 6 && y >= 2 && y < 6;
      EXPECT_EQ(Get(target, x, y), in ? 1 + (x - 2) + 4 * (y - 2) : 0) << x << "," << y;
    }
}

TEST(BlitTransformedTest, QuarterTurnTurnsThePixels) {
  TestContext tc;
  Surface target(&tc.ctx);
  Surface source(&tc.ctx);
  ASSERT_EQ(target.Create(kSurfaceClear, 8, 8), kOk);
  ASSERT_EQ(source.Create(0, 4, 2), kOk);
  for (int32_t y = 0; y < 2; ++y)
    for (int32_t x = 0; x < 4; ++x) testing::Put(source, x, y, static_cast<uint16_t>(1 + x + 4 * y));
  Effects fx;
  fx.angle = 9000;
  ASSERT_EQ(target.BlitTransformed(nullptr, &source, nullptr, kBlitRotate, &fx), kOk);
  // A 4 x 2 source stands as a 2 x 4 block; its first row becomes a column.
  int lit = 0;
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 8; ++x) lit += Get(target, x, y) != 0;
  EXPECT_EQ(lit, 8);
  bool found_column = false;
  for (int32_t x = 0; x < 8 && !found_column; ++x)
    for (int32_t y = 0; y + 3 < 8; ++y) {
      const uint16_t a = Get(target, x, y), b = Get(target, x, y + 3);
      if ((a == 1 && b == 4) || (a == 4 && b == 1)) found_column = true;
    }
  EXPECT_TRUE(found_column);
}

TEST(BlitTransformedTest, BadInputAndNothingToDraw) {
  TestContext tc;
  Surface target(&tc.ctx);
  Surface source(&tc.ctx);
  Surface empty(&tc.ctx);
  ASSERT_EQ(target.Create(kSurfaceClear, 16, 16), kOk);
  ASSERT_EQ(source.Create(0, 4, 4), kOk);
  ASSERT_EQ(source.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  Effects fx;
  const auto before = testing::RawBuffer(target);
  EXPECT_EQ(target.BlitTransformed(nullptr, nullptr, nullptr, 0, &fx), kErrInvalidArg);
  for (uint32_t option : {kBlitRotate, kBlitZoom, kBlitCentre, kBlitOpacity}) {
    EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, option, nullptr), kErrInvalidArg)
        << option;
  }
  fx.opacity = 256;
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, kBlitOpacity, &fx), kErrInvalidArg);
  fx.opacity = 0;
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, kBlitOpacity, &fx), kOk);
  fx.opacity = 255;
  fx.scale_or_colour = 0;
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, kBlitZoom, &fx), kOk);
  EXPECT_EQ(target.BlitTransformed(nullptr, &empty, nullptr, 0, &fx), kErrNoPixels);
  // A destination partly outside a target without clip is refused.
  // The drawn area is the box around the centre (-2, 8), which leaves the target.
  const Rect outside{-8, 0, 4, 16};
  EXPECT_EQ(target.BlitTransformed(&outside, &source, nullptr, 0, &fx), kErrBadRect);
  const Rect bad_src{0, 0, 8, 8};
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, &bad_src, 0, &fx), kErrBadRect);
  // Extreme arguments neither overflow nor draw outside.
  fx.scale_or_colour = 1;
  fx.angle = INT32_MIN;
  fx.centre_x = INT32_MAX;
  fx.centre_y = INT32_MIN;
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, kBlitRotate | kBlitZoom | kBlitCentre, &fx),
            kOk);
  EXPECT_EQ(testing::RawBuffer(target), before);
  // A zoom so large that one source pixel covers the whole target.
  fx.scale_or_colour = UINT32_MAX;
  fx.centre_x = 8;
  fx.centre_y = 8;
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, kBlitRotate | kBlitZoom | kBlitCentre, &fx),
            kOk);
  for (uint16_t px : testing::Snapshot(target).pixels) ASSERT_EQ(px, 0xFFFF);
  // An empty source rectangle means the whole source.
  ASSERT_EQ(target.Create(kSurfaceClear, 16, 16), kOk);
  const Rect none{2, 2, 2, 2};
  fx.scale_or_colour = 100;
  fx.angle = 0;
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, &none, kBlitZoom | kBlitCentre, &fx), kOk);
  EXPECT_EQ(Get(target, 7, 7), 0xFFFF);
  EXPECT_EQ(Get(target, 9, 9), 0xFFFF);
  EXPECT_EQ(Get(target, 10, 10), 0);
}

TEST(BlitTransformedTest, NeedsRgb565) {
  TestContext tc(1, 2, 960, 0x60);
  Surface target(&tc.ctx);
  Surface source(&tc.ctx);
  ASSERT_EQ(target.Create(kSurfaceClear, 8, 8), kOk);
  ASSERT_EQ(source.Create(0, 4, 4), kOk);
  EXPECT_EQ(target.BlitTransformed(nullptr, &source, nullptr, 0, nullptr), kErrWrongDisplayState);
}

}  // namespace
}  // namespace abacine
