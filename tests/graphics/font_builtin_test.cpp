// The built-in 5-row font: the table, the two rendered strips, their cut
// metrics, and text drawn with them.
#include <gtest/gtest.h>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::TestContext;

const BuiltinGlyph& Glyph(int code) { return kBuiltinFontTable[static_cast<size_t>(code - 32)]; }

TEST(BuiltinTableTest, KeepsTheGivenGlyphs) {
  struct Row {
    int code;
    uint8_t rows[5];
    uint8_t advance;
  };
  const Row rows[] = {
      {32, {0, 0, 0, 0, 0}, 5},   {33, {1, 1, 1, 0, 1}, 2},   {34, {5, 5, 0, 0, 0}, 4},
      {35, {10, 31, 10, 31, 10}, 6}, {36, {0, 0, 0, 0, 31}, 6}, {37, {0, 0, 0, 0, 31}, 6},
      {38, {0, 0, 0, 0, 31}, 6},  {39, {0, 0, 0, 0, 31}, 6},  {40, {3, 4, 4, 4, 3}, 4},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.code);
    const BuiltinGlyph& g = Glyph(r.code);
    EXPECT_EQ(g.advance, r.advance);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(g.rows[i], r.rows[i]);
  }
}

TEST(BuiltinTableTest, EveryPrintableGlyphHasInkInsideItsCell) {
  int32_t total = 0;
  for (int code = 32; code <= 122; ++code) {
    SCOPED_TRACE(code);
    const BuiltinGlyph& g = Glyph(code);
    total += g.advance;
    ASSERT_GE(g.advance, 2);
    bool ink = false;
    for (uint8_t row : g.rows) {
      EXPECT_EQ(row >> (g.advance - 1), 0) << "the cell's first column stays blank";
      ink = ink || row != 0;
    }
    EXPECT_EQ(ink, code != 32) << "every glyph but the space is visible";
    if (code >= 'a') {
      const BuiltinGlyph& upper = Glyph(code - 32);
      EXPECT_EQ(g.advance, upper.advance);
      for (int i = 0; i < 5; ++i) EXPECT_EQ(g.rows[i], upper.rows[i]);
    }
  }
  // All glyphs fit the outlined strip: 1 + sum(w + 2) <= 620.
  EXPECT_LE(1 + total + 2 * 91, 620);
}

TEST(BuiltinTableTest, DigitsAndLettersAreDistinct) {
  // Legibility floor: no two characters of the calculator's alphabet share
  // a picture.
  const char* alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+-*/()^.,=<>!?[]";
  for (const char* a = alphabet; *a; ++a)
    for (const char* b = a + 1; *b; ++b) {
      const BuiltinGlyph& ga = Glyph(*a);
      const BuiltinGlyph& gb = Glyph(*b);
      bool same = ga.advance == gb.advance;
      for (int i = 0; i < 5 && same; ++i) same = ga.rows[i] == gb.rows[i];
      EXPECT_FALSE(same) << *a << " and " << *b;
    }
}

class BuiltinStripTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(tc_.ctx.BuildBuiltinFonts(), kOk); }
  TestContext tc_;
};

TEST_F(BuiltinStripTest, StripsHaveTheirSizesAndCuts) {
  BitmapFont& plain = *tc_.ctx.BuiltinFont();
  BitmapFont& large = *tc_.ctx.BuiltinFontLarge();
  EXPECT_EQ(plain.Width(), 460);
  EXPECT_EQ(plain.Height(), 6);
  EXPECT_EQ(large.Width(), 620);
  EXPECT_EQ(large.Height(), 8);
  for (BitmapFont* f : {&plain, &large}) {
    EXPECT_TRUE(f->IsCut());
    EXPECT_EQ(f->CutMode(), kCutModeMarker);
    EXPECT_EQ(f->Spacing(), 1);
    EXPECT_EQ(f->KeyColour(), 0x00FF00FFu);
  }
  EXPECT_EQ(plain.GlyphHeight(), 5);
  EXPECT_EQ(large.GlyphHeight(), 7);
}

TEST_F(BuiltinStripTest, EveryCharacterAdvancesByItsWidth) {
  for (BitmapFont* f : {tc_.ctx.BuiltinFont(), tc_.ctx.BuiltinFontLarge()}) {
    for (int code = 32; code <= 122; ++code) {
      SCOPED_TRACE(::testing::Message() << "code " << code << (f == tc_.ctx.BuiltinFont() ? " plain" : " large"));
      const char16_t c = static_cast<char16_t>(code);
      EXPECT_EQ(f->GlyphLeft(c) + f->GlyphInkWidth(c) + f->GlyphRight(c) + f->Spacing(),
                Glyph(code).advance);
      // Measured: "c!" is c's advance (without the left bearing, which only
      // counts after a first character), then '!' with its left bearing.
      const char16_t pair[3] = {c, u'!', 0};
      int32_t w = 0;
      ASSERT_EQ(f->MeasureText(pair, &w), kOk);
      EXPECT_EQ(w, Glyph(code).advance - f->GlyphLeft(c) + f->GlyphLeft(u'!') +
                       f->GlyphInkWidth(u'!'));
    }
  }
  // The outlined glyphs overlap their neighbours by one column each side.
  EXPECT_EQ(tc_.ctx.BuiltinFontLarge()->GlyphLeft(u'A'), -1);
  EXPECT_EQ(tc_.ctx.BuiltinFontLarge()->GlyphRight(u'A'), -1);
}

TEST_F(BuiltinStripTest, PlainStripPixels) {
  const BitmapFont& f = *tc_.ctx.BuiltinFont();
  // Space: marker 0..3; '!': advance 2, marker at column 5 only, ink in
  // column 5 rows 1, 2, 3 and 5 of the strip.
  for (int32_t x = 0; x < 8; ++x) {
    const bool marker = x <= 3 || x == 5 || x == 7;  // '"' starts at 7
    EXPECT_EQ(Get(f, x, 0), marker ? 0xFFFF : 0xF81F) << x;
  }
  const uint16_t bang[5] = {0xFFFF, 0xFFFF, 0xFFFF, 0xF81F, 0xFFFF};
  for (int32_t r = 0; r < 5; ++r) EXPECT_EQ(Get(f, 5, 1 + r), bang[r]) << r;
  EXPECT_EQ(Get(f, 4, 1), 0xF81F);
  EXPECT_EQ(Get(f, 6, 1), 0xF81F);
  // '#' starts at a = 5 + 2 + 4 = 11: row 1 (mask 10 = 01010 over cell
  // columns 1..5) lights strip columns 12 and 14.
  EXPECT_EQ(f.GlyphX(u'#'), 11);
  for (int32_t x = 10; x <= 16; ++x) {
    EXPECT_EQ(Get(f, x, 1), (x == 12 || x == 14) ? 0xFFFF : 0xF81F) << x;
    EXPECT_EQ(Get(f, x, 2), (x >= 11 && x <= 15) ? 0xFFFF : 0xF81F) << x;
  }
}

TEST_F(BuiltinStripTest, OutlinedStripPaintsBlackAroundTheInk) {
  const BitmapFont& f = *tc_.ctx.BuiltinFontLarge();
  // '!' cell: a = 1 + (5 + 2) = 8; ink column 8, rows 2, 3, 4 and 6.
  EXPECT_EQ(f.GlyphX(u'!'), 7);
  EXPECT_EQ(f.GlyphInkWidth(u'!'), 3);
  for (int32_t y = 1; y <= 7; ++y) {
    const bool ink = y == 2 || y == 3 || y == 4 || y == 6;
    EXPECT_EQ(Get(f, 8, y), ink ? 0xFFFF : 0x0000) << y;  // row 5 sits between ink rows
    EXPECT_EQ(Get(f, 7, y), (y >= 2 && y <= 6 && y != 5) ? 0x0000 : 0xF81F) << y;
  }
}

TEST_F(BuiltinStripTest, LowerCaseDrawsTheUpperCaseShape) {
  Surface a(&tc_.ctx);
  Surface b(&tc_.ctx);
  ASSERT_EQ(a.Create(kSurfaceClear, 60, 8), kOk);
  ASSERT_EQ(b.Create(kSurfaceClear, 60, 8), kOk);
  ASSERT_EQ(DrawText(&a, 1, 1, u"SIN(X)", tc_.ctx.BuiltinFont(), 0, 0, nullptr), kOk);
  ASSERT_EQ(DrawText(&b, 1, 1, u"sin(x)", tc_.ctx.BuiltinFont(), 0, 0, nullptr), kOk);
  EXPECT_EQ(testing::RawBuffer(a), testing::RawBuffer(b));
  int lit = 0;
  for (uint16_t p : testing::RawBuffer(a)) lit += p == 0xFFFF;
  EXPECT_GT(lit, 30);
}

TEST_F(BuiltinStripTest, DrawnDigitsArePixelExact) {
  Surface t(&tc_.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 20, 7), kOk);
  ASSERT_EQ(DrawText(&t, 0, 1, u"10", tc_.ctx.BuiltinFont(), 0, 0, nullptr), kOk);
  // '1' = 010 110 010 010 111 in columns 0..2, '0' = 111 101 101 101 111 in 4..6.
  const char* want[5] = {".#..###", "##..#.#", ".#..#.#", ".#..#.#", "###.###"};
  for (int32_t r = 0; r < 5; ++r)
    for (int32_t x = 0; x < 8; ++x) {
      const bool on = x < 7 && want[r][x] == '#';
      EXPECT_EQ(Get(t, x, 1 + r), on ? 0xFFFF : 0x0000) << x << "," << r;
    }
}

}  // namespace
}  // namespace abacine
