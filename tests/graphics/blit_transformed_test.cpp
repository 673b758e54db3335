// BlitTransformed against a reference of the fixed-point inverse mapping,
// evaluated per destination pixel straight from its definition, for several
// angles and zooms, every orientation and pitch sign, with key, opacity and
// clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "graphics/surface.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Between;
using testing::Get;
using testing::Grid;
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
  const int64_t ws = t.src.right - t.src.left, hs = t.src.bottom - t.src.top;
  const bool centre = (t.options & kBlitCentre) != 0;
  const int64_t cx = centre ? t.fx.centre_x : (t.dest.right - t.dest.left) >> 1;
  const int64_t cy = centre ? t.fx.centre_y : (t.dest.bottom - t.dest.top) >> 1;
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
  const double c = std::fabs(std::cos(theta)), s = std::fabs(std::sin(theta));
  const auto half_extent = [&](double m, double n) {
    return static_cast<int64_t>((static_cast<double>(ws) * m + static_cast<double>(hs) * n) * z / 2 + 1);
  };
  const int64_t g = half_extent(c, s), ie = half_extent(s, c);
  const int64_t X = t.dest.left + cx, Y = t.dest.top + cy;
  l = std::max(l, X - g);
  tp = std::max(tp, Y - ie);
  r = std::min(r, X + g);
  b = std::min(b, Y + ie);
  if (l >= r || tp >= b) return;
  const int64_t cx16 = (X - l) * 65536, cy16 = (Y - tp) * 65536;
  const auto step = [&](double f) {
    const float unit = static_cast<float>(f) * (zoom ? 6553600.0f : 65536.0f);
    return static_cast<int64_t>(zoom ? unit / static_cast<float>(scale) : unit);
  };
  const int64_t bx = step(std::cos(theta)), ay = step(std::sin(theta));
  const uint32_t opacity = (t.options & kBlitOpacity) ? t.fx.opacity : 255;
  for (int64_t j = 0; j < b - tp; ++j) {
    for (int64_t i = 0; i < r - l; ++i) {
      const int64_t u = ws * 32768 + (bx >> 1) - (cx16 >> 8) * (bx >> 8) - (ay >> 1) +
                        (ay >> 8) * ((cy16 >> 8) - 256 * j) + i * bx;
      const int64_t v = hs * 32768 + (ay >> 1) + (bx >> 1) - (cx16 >> 8) * (ay >> 8) -
                        (bx >> 8) * ((cy16 >> 8) - 256 * j) + i * ay;
      if (u < 0 || v < 0 || (u >> 16) >= ws || (v >> 16) >= hs) continue;
      const uint16_t px = Get(source, static_cast<int32_t>(t.src.left + (u >> 16)),
                              static_cast<int32_t>(t.src.top + (v >> 16)));
      if ((t.options & kBlitColourKey) && px == kKeyPixel) continue;
      uint16_t& d = want.at(static_cast<int32_t>(l + i), static_cast<int32_t>(tp + j));
      d = testing::RefOpacity(px, d, opacity);
    }
  }
}

TEST(BlitTransformedTest, MatchesTheFixedPointReference) {
  const uint32_t zooms[] = {50, 100, 200, 150};
  const uint32_t opacities[] = {255, 128, 77};
  std::mt19937 rng(77);
  testing::ForEachLayout([&](TestContext& tc) {
    for (int32_t angle : {0, 9000, 4500, 3000, -3000, 18000, 27000, Between(rng, 0, 35999)}) {
      for (uint32_t zoom : zooms) {
        const int32_t tw = Between(rng, 20, 36), th = Between(rng, 18, 32);
        const int32_t sw = Between(rng, 5, 13), sh = Between(rng, 4, 12);
        Surface target(&tc.ctx);
        Surface source(&tc.ctx);
        testing::MakeRandom(target, tw, th, rng, kKeyPixel);
        testing::MakeRandom(source, sw, sh, rng, kKeyPixel);
        source.SetKeyColour(kKeyColour);
        Transform t;
        t.src = Rect{1, 0, sw, sh - 1};
        t.options = kBlitColourKey | kBlitRotate | kBlitZoom | kBlitOpacity;
        if (rng() % 3 == 0) {
          t.options |= kBlitCentre;
          t.fx.centre_x = Between(rng, 0, 15);
          t.fx.centre_y = Between(rng, 0, 15);
        }
        if (rng() % 4 == 0) t.options &= ~kBlitColourKey;
        t.fx.angle = angle;
        t.fx.scale_or_colour = zoom;
        t.fx.opacity = opacities[rng() % 3];
        // A third of the copies reach past the target and are cut by a clip.
        const bool clipped = rng() % 3 == 0;
        const Rect clip{Between(rng, 0, 8), Between(rng, 0, 8), Between(rng, tw / 2, tw),
                        Between(rng, th / 2, th)};
        if (clipped) {
          ASSERT_EQ(target.SetClipRect(&clip), kOk);
          t.dest = Rect{-10, -8, tw + 10, th + 8};
        } else {
          t.dest = Rect{Between(rng, 0, 3), Between(rng, 0, 3), tw - Between(rng, 0, 3),
                        th - Between(rng, 0, 3)};
        }
        SCOPED_TRACE(::testing::Message()
                     << "angle " << angle << " zoom " << zoom << " opacity " << t.fx.opacity
                     << " options 0x" << std::hex << t.options << (clipped ? " clipped" : ""));
        testing::Expected e(target);
        Reference(e.want, source, t, clipped ? &clip : nullptr);
        ASSERT_EQ(target.BlitTransformed(&t.dest, &source, &t.src, t.options, &t.fx), kOk);
        e.Check(target);
      }
    }
  });
}

TEST(BlitTransformedTest, IdentityCopiesTheSourceAroundTheCentre) {
  testing::Scene x;
  ASSERT_EQ(x.t.Create(kSurfaceClear, 8, 8), kOk);
  ASSERT_EQ(x.s.Create(0, 4, 4), kOk);
  testing::PutIds(x.s);
  // No rotation or zoom: source centre (2, 2) sits on the target centre (4, 4).
  ASSERT_EQ(x.t.BlitTransformed(nullptr, &x.s, nullptr, 0, nullptr), kOk);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t c = 0; c < 8; ++c) {
      const bool in = c >= 2 && c < 6 && y >= 2 && y < 6;
      EXPECT_EQ(Get(x.t, c, y), in ? 1 + (c - 2) + 4 * (y - 2) : 0) << c << "," << y;
    }
}

TEST(BlitTransformedTest, DestinationOutsideTheClipDrawsNothing) {
  testing::Scene x;
  ASSERT_EQ(x.t.Create(kSurfaceClear, 40, 40), kOk);
  ASSERT_EQ(x.s.Create(0, 40, 40), kOk);  // its box around the centre covers the clip
  ASSERT_EQ(x.s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  const Rect clip{0, 0, 10, 10};
  ASSERT_EQ(x.t.SetClipRect(&clip), kOk);
  // Cutting (20, 20, 30, 30) to the clip leaves nothing; it must not come
  // back as the box between the two.
  const Rect dest{20, 20, 30, 30};
  EXPECT_EQ(x.t.BlitTransformed(&dest, &x.s, nullptr, 0, nullptr), kOk);
  for (uint16_t p : testing::RawBuffer(x.t)) ASSERT_EQ(p, 0);
}

TEST(BlitTransformedTest, BadInputAndNothingToDraw) {
  testing::Scene x;
  Surface empty(&x.tc.ctx);
  ASSERT_EQ(x.t.Create(kSurfaceClear, 16, 16), kOk);
  ASSERT_EQ(x.s.Create(0, 4, 4), kOk);
  ASSERT_EQ(x.s.FillArea(nullptr, 0xFFFFFF, 0, nullptr), kOk);
  Effects fx;
  EXPECT_EQ(x.t.BlitTransformed(nullptr, nullptr, nullptr, 0, &fx), kErrInvalidArg);
  for (uint32_t option : {kBlitRotate, kBlitZoom, kBlitCentre, kBlitOpacity})
    EXPECT_EQ(x.t.BlitTransformed(nullptr, &x.s, nullptr, option, nullptr), kErrInvalidArg) << option;
  struct Row {
    const char* name;
    uint32_t opacity, scale;
    uint32_t options;
    ResultCode want;
  };
  for (const Row& r : {Row{"opacity 256", 256, 100, kBlitOpacity, kErrInvalidArg},
                       Row{"opacity 0", 0, 100, kBlitOpacity, kOk},
                       Row{"zoom 0", 255, 0, kBlitZoom, kOk}}) {
    fx.opacity = r.opacity;
    fx.scale_or_colour = r.scale;
    EXPECT_EQ(x.t.BlitTransformed(nullptr, &x.s, nullptr, r.options, &fx), r.want) << r.name;
  }
  fx = Effects{};
  EXPECT_EQ(x.t.BlitTransformed(nullptr, &empty, nullptr, 0, &fx), kErrNoPixels);
  // A destination partly outside a target without clip is refused: the drawn
  // area is the box around the centre (-2, 8), which leaves the target.
  const Rect outside{-8, 0, 4, 16};
  EXPECT_EQ(x.t.BlitTransformed(&outside, &x.s, nullptr, 0, &fx), kErrBadRect);
  const Rect bad_src{0, 0, 8, 8};
  EXPECT_EQ(x.t.BlitTransformed(nullptr, &x.s, &bad_src, 0, &fx), kErrBadRect);
  // Extreme arguments neither overflow nor draw outside.
  const uint32_t all = kBlitRotate | kBlitZoom | kBlitCentre;
  fx = Effects{0, 255, INT32_MIN, 1, INT32_MAX, INT32_MIN};
  EXPECT_EQ(x.t.BlitTransformed(nullptr, &x.s, nullptr, all, &fx), kOk);
  for (uint16_t p : testing::RawBuffer(x.t)) ASSERT_EQ(p, 0);
  // A zoom so large that one source pixel covers the whole target.
  fx = Effects{0, 255, INT32_MIN, UINT32_MAX, 8, 8};
  EXPECT_EQ(x.t.BlitTransformed(nullptr, &x.s, nullptr, all, &fx), kOk);
  for (uint16_t p : testing::Snapshot(x.t).pixels) ASSERT_EQ(p, 0xFFFF);
  // An empty source rectangle means the whole source.
  ASSERT_EQ(x.t.Create(kSurfaceClear, 16, 16), kOk);
  const Rect none{2, 2, 2, 2};
  fx = Effects{0, 255, 0, 100, 8, 8};
  EXPECT_EQ(x.t.BlitTransformed(nullptr, &x.s, &none, kBlitZoom | kBlitCentre, &fx), kOk);
  EXPECT_EQ(Get(x.t, 7, 7), 0xFFFF);
  EXPECT_EQ(Get(x.t, 9, 9), 0xFFFF);
  EXPECT_EQ(Get(x.t, 10, 10), 0);
}

}  // namespace
}  // namespace abacine
