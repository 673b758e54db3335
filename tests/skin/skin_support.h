// Shared set-up of the skin tests: the packed windows.vfs from the build's
// bin folder, opened with the program's archive reader, a display state to
// decode images for (open, 5-6-5), and the ink box of an image frame (its
// pixels that differ from the screen's background).
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "app/screen_layout.h"
#include "app/skin_table.h"
#include "graphics/archive.h"
#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "graphics/image_decoder.h"
#include "graphics/surface.h"

namespace abacine::skin_test {

inline const std::string kArchivePath = std::string(ABACINE_BINARY_DIR) + "/bin/windows.vfs";

// The calculator's background 0xE7E7E7 as a 5-6-5 pixel.
inline constexpr uint16_t kBackgroundPixel = (0xE7 >> 3) << 11 | (0xE7 >> 2) << 5 | (0xE7 >> 3);
inline constexpr uint16_t kKeyPixel = 0xF81F;     // magenta
inline constexpr uint16_t kMarkerPixel = 0xFFFF;  // white

inline std::u16string Widen(const std::string& s) { return std::u16string(s.begin(), s.end()); }

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DisplayState* s = context_.State();
    s->open = 1;
    s->properties = DisplayProperties{480, 640, 2, 960, 16, kFormat565 | kFormatDirectAccess};
    ASSERT_EQ(archive_.OpenArchive(kArchivePath.c_str()), kOk) << kArchivePath;
  }

  ResultCode Load(Surface* surface, const char* name, bool vga) {
    return LoadFromArchive(surface, kSurfaceClear, &archive_, Widen(SkinImagePath(name, vga)).c_str());
  }

  // Loads and cuts a font strip as the calculator does.
  ResultCode LoadFont(BitmapFont* font, const char* name, bool vga) {
    const ResultCode loaded = Load(font, name, vga);
    if (Failed(loaded)) return loaded;
    const int32_t spacing = kSkinFontSpacing;
    return font->CutGlyphs(SkinFontCharacters(name), kSkinKeyColour, kCutUseSpacing, &spacing);
  }

  // One frame's size, or 0 x 0 when the image cannot be loaded.
  FrameSize Size(const char* name, bool vga) {
    Surface surface(&context_);
    if (Failed(Load(&surface, name, vga))) return {};
    return {surface.Width() / FindSkinImage(name)->Frames(vga), surface.Height()};
  }

  GraphicsContext context_;
  Archive archive_;
};

inline uint16_t Pixel(const Surface& s, int32_t x, int32_t y) {
  const SurfaceLayout& l = s.Layout();
  return s.Pixels()[l.origin + int64_t{x} * l.x_step + int64_t{y} * l.y_step];
}

// The box of frame `frame`'s pixels that differ from `ground`, relative to
// the frame, or an empty box.
inline ScreenRect InkBox(const Surface& s, int32_t frame, int32_t frames, uint16_t ground = kBackgroundPixel) {
  const int32_t w = s.Width() / frames;
  ScreenRect box{w, s.Height(), 0, 0};
  for (int32_t y = 0; y < s.Height(); ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (Pixel(s, frame * w + x, y) == ground) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1), std::max(box.bottom, y + 1)};
    }
  }
  return box.Empty() ? ScreenRect{} : box;
}

inline ScreenRect Offset(const ScreenRect& r, ScreenPoint at) {
  return {r.left + at.x, r.top + at.y, r.right + at.x, r.bottom + at.y};
}

inline ScreenRect Intersection(const ScreenRect& a, const ScreenRect& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
          std::min(a.bottom, b.bottom)};
}

inline std::string Describe(const ScreenRect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
         std::to_string(r.bottom) + ")";
}

}  // namespace abacine::skin_test
