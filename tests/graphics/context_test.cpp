// GraphicsContext: what it makes, the 5-6-5 test, the built-in font colour,
// and rebuilding the strips after the display turns.
#include <gtest/gtest.h>

#include <array>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::TestContext;

TEST(ContextTest, MakesStateLoopsAndFonts) {
  GraphicsContext ctx;
  ASSERT_TRUE(ctx.IsReady());
  ASSERT_NE(ctx.Loops(), nullptr);
  ASSERT_NE(ctx.BuiltinFont(), nullptr);
  ASSERT_NE(ctx.BuiltinFontLarge(), nullptr);
  EXPECT_NE(ctx.BuiltinFont(), ctx.BuiltinFontLarge());
  EXPECT_EQ(ctx.BuiltinFont()->Owner(), &ctx);
  const DisplayState& s = *ctx.State();
  EXPECT_EQ(s.open, 0);
  EXPECT_EQ(s.current_orientation, 1);
  EXPECT_EQ(s.builtin_font_colour, 0x00FFFFFFu);
  EXPECT_EQ(s.builtin_font_table, kBuiltinFontTable.data());
  // Nothing can be built before the display opens.
  EXPECT_EQ(ctx.BuildBuiltinFonts(), kErrWrongDisplayState);
  EXPECT_EQ(ctx.SetBuiltinFontColour(0x0000FF), kErrWrongDisplayState);
  EXPECT_EQ(s.builtin_font_colour, 0x00FFFFFFu);
}

TEST(ContextTest, PixelFormatTest) {
  DisplayState s;
  struct Row {
    uint32_t flags;
    bool is565;
  };
  for (const Row& r : {Row{0x80, true}, Row{0xA0, true}, Row{0xA8, true}, Row{0x60, false},
                       Row{0xC0, false}, Row{0x200, false}, Row{0, false}}) {
    s.properties.format_flags = r.flags;
    EXPECT_EQ(s.Is565(), r.is565) << std::hex << r.flags;
  }
}

TEST(ContextTest, FontColourRebuildsBothStrips) {
  struct Row {
    uint32_t colour;
    uint16_t ink;
  };
  // Ink equal to the strips' key would vanish: the nearest other blue is used.
  for (const Row& r : {Row{0x0000FF, 0xF800}, Row{0x00FF00FF, 0xF81E}}) {
    SCOPED_TRACE(r.colour);
    TestContext tc;
    ASSERT_EQ(tc.ctx.SetBuiltinFontColour(r.colour), kOk);
    EXPECT_EQ(tc.State().builtin_font_colour, r.colour);
    EXPECT_TRUE(tc.ctx.BuiltinFont()->IsCut());
    // '!' ink in column 5 of the plain strip; the marker stays white.
    EXPECT_EQ(Get(*tc.ctx.BuiltinFont(), 5, 1), r.ink);
    EXPECT_EQ(Get(*tc.ctx.BuiltinFont(), 5, 0), 0xFFFF);
    EXPECT_EQ(Get(*tc.ctx.BuiltinFontLarge(), 8, 2), r.ink);
    Surface t(&tc.ctx);
    ASSERT_EQ(t.Create(kSurfaceClear, 10, 8), kOk);
    ASSERT_EQ(DrawText(&t, 0, 0, u"!", tc.ctx.BuiltinFont(), 0, 0, nullptr), kOk);
    EXPECT_EQ(Get(t, 0, 0), r.ink);
  }
}

TEST(ContextTest, RebuildAfterTurningRelaysTheStrips) {
  TestContext tc;
  ASSERT_EQ(tc.ctx.BuildBuiltinFonts(), kOk);
  Surface t(&tc.ctx);
  tc.Turn(2);
  ASSERT_EQ(t.Create(kSurfaceClear, 40, 10), kOk);
  // The strips were laid out for the old orientation.
  EXPECT_EQ(DrawText(&t, 0, 0, u"1+1", tc.ctx.BuiltinFont(), 0, 0, nullptr), kErrWrongDisplayState);
  ASSERT_EQ(tc.ctx.BuildBuiltinFonts(), kOk);
  EXPECT_EQ(tc.ctx.BuiltinFont()->Layout().orientation, 2);
  ASSERT_EQ(DrawText(&t, 0, 0, u"1+1", tc.ctx.BuiltinFont(), 0, 0, nullptr), kOk);
  EXPECT_EQ(Get(t, 1, 0), 0xFFFF);  // top of the first '1'
}

TEST(ContextTest, NonRgb565DisplayDrawsMarkersButCannotCut) {
  TestContext tc(1, 2, 960, 0x60);
  EXPECT_EQ(tc.ctx.BuildBuiltinFonts(), kErrWrongDisplayState);
  EXPECT_FALSE(tc.ctx.BuiltinFont()->IsCut());
  EXPECT_EQ(Get(*tc.ctx.BuiltinFont(), 0, 0), 0xFFFF);  // the marker row is there
  EXPECT_EQ(Get(*tc.ctx.BuiltinFont(), 5, 1), 0xF81F);  // no glyph pixels
}

TEST(ContextTest, OversizedCustomTableIsCutToTheStrip) {
  // A table whose glyphs are far too wide: drawing stays inside the strip,
  // and only the glyphs that fit are cut.
  std::array<BuiltinGlyph, kBuiltinGlyphCount> wide{};
  for (BuiltinGlyph& g : wide) g = BuiltinGlyph{{0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 200};
  TestContext tc;
  tc.State().builtin_font_table = wide.data();
  ASSERT_EQ(tc.ctx.BuildBuiltinFonts(), kOk);
  const BitmapFont& f = *tc.ctx.BuiltinFont();
  EXPECT_EQ(f.GlyphInkWidth(u' '), 199);  // its marker run, ink included
  EXPECT_EQ(f.GlyphX(u'!'), 391);         // bits 7..0 light cell columns 192..199
  EXPECT_EQ(f.GlyphInkWidth(u'!'), 8);
  EXPECT_EQ(f.GlyphInkWidth(u'"'), 0);    // runs past the strip's end
}

}  // namespace
}  // namespace abacine
