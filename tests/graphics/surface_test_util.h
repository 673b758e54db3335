// Helpers for the surface, blit and font tests: a graphics context whose
// display state is opened by hand (no Display object needed), logical pixel
// access through the layout record, raw buffer snapshots, and seeded random
// surfaces biased toward the values the loops treat specially.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
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
  DisplayState& State() { return *ctx.State(); }
  GraphicsContext ctx;
};

inline int64_t Index(const Surface& s, int32_t x, int32_t y) {
  const SurfaceLayout& l = s.Layout();
  return l.origin + int64_t{x} * l.x_step + int64_t{y} * l.y_step;
}
inline uint16_t Get(const Surface& s, int32_t x, int32_t y) { return s.Pixels()[Index(s, x, y)]; }
inline void Put(Surface& s, int32_t x, int32_t y, uint16_t v) { s.Pixels()[Index(s, x, y)] = v; }

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

inline void FillRandom(Surface& s, std::mt19937& rng, uint16_t key) {
  const size_t count = s.Layout().byte_size / 2;
  for (size_t i = 0; i < count; ++i) s.Pixels()[i] = BiasedPixel(rng, key);
}

inline std::vector<uint16_t> RawBuffer(const Surface& s) {
  return std::vector<uint16_t>(s.Pixels(), s.Pixels() + s.Layout().byte_size / 2);
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

// The raw buffer s would hold with its logical pixels set to g and every
// other buffer pixel (padding) as in `raw`.
inline std::vector<uint16_t> ExpectedRaw(const Surface& s, std::vector<uint16_t> raw, const Grid& g) {
  for (int32_t y = 0; y < g.height; ++y)
    for (int32_t x = 0; x < g.width; ++x) raw[static_cast<size_t>(Index(s, x, y))] = g.at(x, y);
  return raw;
}

// First differing logical pixel, for messages.
inline std::string FirstDifference(const Grid& want, const Grid& got) {
  for (int32_t y = 0; y < want.height; ++y)
    for (int32_t x = 0; x < want.width; ++x)
      if (want.at(x, y) != got.at(x, y)) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "(%d, %d): want %04x got %04x", x, y, want.at(x, y),
                      got.at(x, y));
        return buf;
      }
  return "none";
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

}  // namespace abacine::testing
