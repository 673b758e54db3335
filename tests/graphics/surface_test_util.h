// Helpers for the surface, blit and font tests: a graphics context whose
// display state is opened by hand (no Display object needed), logical pixel
// access through the layout record, seeded random surfaces biased toward the
// values the loops single out, per-channel reference blends, and a
// before/after check that finds both wrong pixels and stray writes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "graphics/graphics_context.h"
#include "graphics/surface.h"

namespace abacine::testing {

inline constexpr int32_t kOrientations[] = {1, 2, 4, 8};
struct PitchSigns {
  int32_t x_pitch;
  int32_t y_pitch;
};
// Mixed signs have the small (2-byte) pitch on y, equal signs on x, as on
// the handhelds' panels.
inline constexpr PitchSigns kPitchSigns[] = {{640, -2}, {-640, 2}, {2, 960}, {-2, -960}};

class TestContext {
 public:
  explicit TestContext(int32_t orientation = 1, int32_t x_pitch = 2, int32_t y_pitch = 960,
                       uint32_t format = 0xA0) {
    Open(orientation, x_pitch, y_pitch, format);
  }
  void Open(int32_t orientation, int32_t x_pitch, int32_t y_pitch, uint32_t format = 0xA0) {
    DisplayState* s = ctx.State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, x_pitch, y_pitch, 16, format};
    s->current_orientation = orientation;
    s->requested_orientation = orientation;
    s->system_orientation = 1;
  }
  void Close() { ctx.State()->open = 0; }
  // The display turns: every surface laid out before is stale.
  void Turn(int32_t orientation) { ctx.State()->current_orientation = orientation; }
  DisplayState& State() { return *ctx.State(); }
  GraphicsContext ctx;
};

// A context with a target t and a source s, neither created yet.
struct Scene {
  explicit Scene(uint32_t format = 0xA0) : tc(1, 2, 960, format) {}
  TestContext tc;
  Surface t{&tc.ctx};
  Surface s{&tc.ctx};
};

// Runs body(context) once for every orientation and pitch-sign combination.
template <class Body>
void ForEachLayout(Body body) {
  for (int32_t o : kOrientations) {
    for (const PitchSigns& p : kPitchSigns) {
      SCOPED_TRACE(::testing::Message() << "orientation " << o << " pitches " << p.x_pitch << ","
                                        << p.y_pitch);
      TestContext tc(o, p.x_pitch, p.y_pitch);
      body(tc);
    }
  }
}

inline int64_t Index(const Surface& s, int32_t x, int32_t y) {
  const SurfaceLayout& l = s.Layout();
  return l.origin + int64_t{x} * l.x_step + int64_t{y} * l.y_step;
}
inline uint16_t Get(const Surface& s, int32_t x, int32_t y) { return s.Pixels()[Index(s, x, y)]; }
inline void Put(Surface& s, int32_t x, int32_t y, uint16_t v) { s.Pixels()[Index(s, x, y)] = v; }

// Gives every logical pixel its own value: base + x + y * width.
inline void PutIds(Surface& s, uint16_t base = 1) {
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x)
      Put(s, x, y, static_cast<uint16_t>(base + x + y * s.Width()));
}

// The colour whose truncation gives exactly pixel p.
constexpr uint32_t PixelToColour(uint16_t p) {
  const uint32_t r = static_cast<uint32_t>(p >> 11) << 3;
  const uint32_t g = static_cast<uint32_t>((p >> 5) & 63) << 2;
  const uint32_t b = static_cast<uint32_t>(p & 31) << 3;
  return r | (g << 8) | (b << 16);
}

// A pixel value biased toward the key, 0x0000 and 0xFFFF.
inline uint16_t BiasedPixel(std::mt19937& rng, uint16_t key) {
  switch (rng() % 8) {
    case 0:
    case 1: return key;
    case 2: return 0x0000;
    case 3: return 0xFFFF;
    default: return static_cast<uint16_t>(rng());
  }
}

inline std::vector<uint16_t> RawBuffer(const Surface& s) {
  return std::vector<uint16_t>(s.Pixels(), s.Pixels() + s.Layout().byte_size / 2);
}

// Random number in [lo, hi].
inline int32_t Between(std::mt19937& rng, int32_t lo, int32_t hi) {
  return lo + static_cast<int32_t>(rng() % static_cast<uint32_t>(hi - lo + 1));
}

// Creates s at w x h with every buffer pixel (padding too) random.
inline void MakeRandom(Surface& s, int32_t w, int32_t h, std::mt19937& rng, uint16_t key) {
  ASSERT_EQ(s.Create(0, w, h), kOk);
  const size_t count = s.Layout().byte_size / 2;
  for (size_t i = 0; i < count; ++i) s.Pixels()[i] = BiasedPixel(rng, key);
}

// Logical pixels, row by row.
struct Grid {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint16_t> pixels;
  uint16_t& at(int32_t x, int32_t y) { return pixels[static_cast<size_t>(y) * width + x]; }
  uint16_t at(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline Grid Snapshot(const Surface& s) {
  Grid g{s.Width(), s.Height(), {}};
  g.pixels.resize(static_cast<size_t>(g.width) * g.height);
  for (int32_t y = 0; y < g.height; ++y)
    for (int32_t x = 0; x < g.width; ++x) g.at(x, y) = Get(s, x, y);
  return g;
}

// Remembers a surface before an operation; the test edits `want` into what
// the operation must leave, and Check compares every logical pixel and
// (unless told not to) the untouched rest of the buffer, so stray writes
// show too.
struct Expected {
  explicit Expected(const Surface& s) : raw(RawBuffer(s)), want(Snapshot(s)) {}
  void Check(const Surface& s, bool padding = true) const {
    const Grid got = Snapshot(s);
    for (int32_t y = 0; y < want.height; ++y)
      for (int32_t x = 0; x < want.width; ++x)
        if (want.at(x, y) != got.at(x, y)) {
          char buf[96];
          std::snprintf(buf, sizeof buf, "(%d, %d): want %04x got %04x", x, y, want.at(x, y),
                        got.at(x, y));
          FAIL() << "first difference " << buf;
        }
    if (!padding) return;
    std::vector<uint16_t> all = raw;
    for (int32_t y = 0; y < want.height; ++y)
      for (int32_t x = 0; x < want.width; ++x)
        all[static_cast<size_t>(Index(s, x, y))] = want.at(x, y);
    ASSERT_EQ(all, RawBuffer(s)) << "stray write";
  }
  std::vector<uint16_t> raw;
  Grid want;
};

// Which logical pixels are not zero, one string per row ('#' set, '.' zero).
inline std::vector<std::string> Lit(const Surface& s) {
  std::vector<std::string> rows(static_cast<size_t>(s.Height()),
                                std::string(static_cast<size_t>(s.Width()), '.'));
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x)
      if (Get(s, x, y) != 0) rows[static_cast<size_t>(y)][static_cast<size_t>(x)] = '#';
  return rows;
}

// Per-channel reference blends, written from the definitions.
inline uint16_t RefWeighted(uint16_t s, uint16_t d, int w) {
  const auto ch = [w](int sv, int dv) {
    const int diff = (sv - dv) * w;
    // floor division by 32
    const int q = diff >= 0 ? diff / 32 : -((-diff + 31) / 32);
    return dv + q;
  };
  const int r = ch(s >> 11, d >> 11);
  const int g = ch((s >> 5) & 63, (d >> 5) & 63);
  const int b = ch(s & 31, d & 31);
  return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}
inline uint16_t RefHalf(uint16_t s, uint16_t d) {
  const int r = (s >> 12) + (d >> 12);
  const int g = ((s >> 6) & 31) + ((d >> 6) & 31);
  const int b = ((s & 31) >> 1) + ((d & 31) >> 1);
  return static_cast<uint16_t>((r << 11) | (g << 5) | b);
}
// What opacity o (0..255) makes of source s over destination d.
inline uint16_t RefOpacity(uint16_t s, uint16_t d, uint32_t o) {
  if (o == 255) return s;
  if (o == 0) return d;
  if (o == 128) return RefHalf(s, d);
  return RefWeighted(s, d, static_cast<int>(o >> 3));
}

}  // namespace abacine::testing
