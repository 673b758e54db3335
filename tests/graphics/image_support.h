// Shared set-up of the image decoding tests: a display state to decode for
// (open, with a chosen pixel format and orientation), the logical image of a
// surface read through its layout, and the 5-6-5 conversions written out
// independently of the decoders.
#pragma once

#include <cstdint>
#include <vector>

#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"

namespace abacine::image_test {

using Bytes = std::vector<uint8_t>;

struct Screen {
  explicit Screen(uint32_t format = kFormat565, int32_t orientation = 1, int32_t x_pitch = 2,
                  int32_t y_pitch = 960) {
    DisplayState* s = context.State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, x_pitch, y_pitch, 16, format | kFormatDirectAccess};
    s->current_orientation = s->requested_orientation = orientation;
  }
  GraphicsContext context;
};

// Pixel layouts of turned displays with negative pitches: decoded pixels
// must land where the layout puts them.
struct Turn {
  int32_t orientation, x_pitch, y_pitch;
};
inline constexpr Turn kTurns[] = {{1, 2, 960}, {2, 640, -2}, {4, -640, 2}, {8, -2, -960}};

inline uint16_t PixelAt(const Surface& s, int32_t x, int32_t y) {
  const SurfaceLayout& l = s.Layout();
  return s.Pixels()[l.origin + int64_t{x} * l.x_step + int64_t{y} * l.y_step];
}

// Row by row, top row first.
inline std::vector<uint16_t> Logical(const Surface& s) {
  std::vector<uint16_t> out;
  for (int32_t y = 0; y < s.Height(); ++y)
    for (int32_t x = 0; x < s.Width(); ++x) out.push_back(PixelAt(s, x, y));
  return out;
}

inline ResultCode Load(Surface* surface, const Bytes& bytes, uint32_t flags = 0) {
  return LoadFromMemory(surface, flags, bytes.data(), static_cast<uint32_t>(bytes.size()));
}

// 5-6-5 by truncation, and alpha as grey (red and blue A >> 3, green A >> 2).
constexpr uint16_t Rgb(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<uint16_t>((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
}
constexpr uint16_t Grey(uint32_t a) { return Rgb(a, a, a); }
static_assert(Rgb(0xFF, 0x80, 0x10) == 0xFC02);
static_assert(Grey(0xFF) == 0xFFFF && Grey(0x80) == 0x8410 && Grey(8) == 0x0841 && Grey(7) == 0x0020);

}  // namespace abacine::image_test
