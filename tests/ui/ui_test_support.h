// Shared set-up of the text and widget tests: a 5-6-5 display opened by
// hand, a target surface filled with one background value, widget state, and
// the sample fonts at scale 1 (untinted black ink, and tinted white ink).
// Scale-1 metrics the tables rely on: font height 8, spacing 1, space 4,
// digits and + - * ( ) 3 wide, most letters 4, "m" and "x" 5, "." 1.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "../graphics/surface_test_util.h"
#include "graphics/bitmap_font.h"
#include "ui/sample_font.h"
#include "ui/text_font.h"
#include "ui/widget_state.h"

namespace abacine::ui_test {

inline constexpr uint16_t kBackground = 0x4A69;  // a grey that no glyph or effect produces
inline constexpr uint32_t kWhite = 0x00FFFFFF;

struct UiScene {
  explicit UiScene(int32_t width = 120, int32_t height = 60, int32_t glyph_scale = 1)
      : scale(glyph_scale) {
    EXPECT_EQ(target.Create(0, width, height), kOk);
    Clear();
    widgets.beginFrame(&target);
    auto plain = std::make_unique<BitmapFont>(&tc.ctx);
    EXPECT_EQ(MakeSampleFont(plain.get(), scale, 0), kOk);
    font.Adopt(std::move(plain), 0);
    font.SetTarget(&target);
    auto white = std::make_unique<BitmapFont>(&tc.ctx);
    EXPECT_EQ(MakeSampleFont(white.get(), scale, kWhite), kOk);
    tinted.Adopt(std::move(white), kWhite);
    tinted.SetTarget(&target);
    widgets.currentFont = &font;
  }
  void Clear() { target.FillArea(nullptr, testing::PixelToColour(kBackground), 0, nullptr); }

  int32_t scale;
  testing::TestContext tc;
  Surface target{&tc.ctx};
  WidgetState widgets;
  TextFont font{&widgets};
  TextFont tinted{&widgets};
};

// The cells of the last layout as "c@x,y" words ("^" for a space).
inline std::string CellText(const TextFont& f) {
  std::string out;
  for (int32_t i = 0; i < f.CellCount(); ++i) {
    const TextCell& c = f.Cell(i);
    if (!out.empty()) out += ' ';
    out += c.character == u' ' ? '^' : static_cast<char>(c.character);
    out += '@' + std::to_string(c.x) + ',' + std::to_string(c.y);
  }
  return out;
}

// Edits `want` as if glyph c of `font` were drawn plainly at (x, y): every
// ink pixel of the strip lands there (inside the grid), key pixels leave it
// alone.
inline void PutGlyph(testing::Grid& want, const BitmapFont& font, char16_t c, int32_t x,
                     int32_t y) {
  const uint16_t key = ColourToPixel(font.KeyColour());
  for (int32_t dy = 0; dy < font.GlyphHeight(); ++dy)
    for (int32_t dx = 0; dx < font.GlyphInkWidth(c); ++dx) {
      const uint16_t p = testing::Get(font, font.GlyphX(c) + dx, font.CutMode() + dy);
      const int32_t tx = x + dx, ty = y + dy;
      if (p != key && tx >= 0 && ty >= 0 && tx < want.width && ty < want.height)
        want.at(tx, ty) = p;
    }
}

}  // namespace abacine::ui_test
