// The built-in 5-row font: the table, the two rendered strips, their cut
// metrics, and text drawn with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "graphics/bitmap_font.h"
#include "graphics/graphics_context.h"
#include "surface_test_util.h"

namespace abacine {
namespace {

using testing::Get;
using testing::TestContext;

const BuiltinGlyph& Glyph(int code) { return kBuiltinFontTable[static_cast<size_t>(code - 32)]; }

bool SameGlyph(const BuiltinGlyph& a, const BuiltinGlyph& b) {
  return a.advance == b.advance && std::equal(a.rows, a.rows + 5, b.rows);
}

TEST(BuiltinTableTest, KeepsTheGivenGlyphs) {
  struct Row {
    int code;
    BuiltinGlyph glyph;
  };
  for (const Row& r : {Row{32, {{0, 0, 0, 0, 0}, 5}}, Row{33, {{1, 1, 1, 0, 1}, 2}},
                       Row{34, {{5, 5, 0, 0, 0}, 4}}, Row{35, {{10, 31, 10, 31, 10}, 6}},
                       Row{36, {{0, 0, 0, 0, 31}, 6}}, Row{37, {{0, 0, 0, 0, 31}, 6}},
                       Row{38, {{0, 0, 0, 0, 31}, 6}}, Row{39, {{0, 0, 0, 0, 31}, 6}},
                       Row{40, {{3, 4, 4, 4, 3}, 4}}}) {
    EXPECT_TRUE(SameGlyph(Glyph(r.code), r.glyph)) << r.code;
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
    EXPECT_TRUE(code < 'a' || SameGlyph(g, Glyph(code - 32))) << "lower case as upper case";
  }
  // All glyphs fit the outlined strip: 1 + sum(w + 2) <= 620.
  EXPECT_LE(1 + total + 2 * 91, 620);
  // Legibility floor: no two characters of the calculator's alphabet share
  // a picture.
  const std::string alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ+-*/()^.,=<>!?[]";
  for (size_t a = 0; a < alphabet.size(); ++a)
    for (size_t b = a + 1; b < alphabet.size(); ++b)
      EXPECT_FALSE(SameGlyph(Glyph(alphabet[a]), Glyph(alphabet[b]))) << alphabet[a] << alphabet[b];
}

class BuiltinStripTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(tc_.ctx.BuildBuiltinFonts(), kOk); }
  BitmapFont& Plain() { return *tc_.ctx.BuiltinFont(); }
  BitmapFont& Large() { return *tc_.ctx.BuiltinFontLarge(); }
  TestContext tc_;
};

TEST_F(BuiltinStripTest, StripsHaveTheirSizesAndCuts) {
  struct Row {
    BitmapFont* font;
    int32_t width, height, glyph_height;
  };
  for (const Row& r : {Row{&Plain(), 460, 6, 5}, Row{&Large(), 620, 8, 7}}) {
    EXPECT_EQ(r.font->Width(), r.width);
    EXPECT_EQ(r.font->Height(), r.height);
    EXPECT_EQ(r.font->GlyphHeight(), r.glyph_height);
    EXPECT_TRUE(r.font->IsCut());
    EXPECT_EQ(r.font->CutMode(), kCutModeMarker);
    EXPECT_EQ(r.font->Spacing(), 1);
    EXPECT_EQ(r.font->KeyColour(), 0x00FF00FFu);
  }
}

TEST_F(BuiltinStripTest, EveryCharacterAdvancesByItsWidth) {
  for (BitmapFont* f : {&Plain(), &Large()}) {
    for (int code = 32; code <= 122; ++code) {
      SCOPED_TRACE(::testing::Message() << "code " << code << (f == &Plain() ? " plain" : " large"));
      const auto c = static_cast<char16_t>(code);
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
  EXPECT_EQ(Large().GlyphLeft(u'A'), -1);
  EXPECT_EQ(Large().GlyphRight(u'A'), -1);
}

TEST_F(BuiltinStripTest, StripPixels) {
  const BitmapFont& f = Plain();
  // Space: marker 0..3; '!': advance 2, marker at column 5 only, ink in
  // column 5 rows 1, 2, 3 and 5 of the strip; '"' starts at 7.
  for (int32_t x = 0; x < 8; ++x)
    EXPECT_EQ(Get(f, x, 0), x <= 3 || x == 5 || x == 7 ? 0xFFFF : 0xF81F) << x;
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
  // Outlined '!' cell: a = 1 + (5 + 2) = 8; ink column 8, rows 2, 3, 4 and
  // 6, painted black around it (row 5 sits between ink rows).
  const BitmapFont& o = Large();
  EXPECT_EQ(o.GlyphX(u'!'), 7);
  EXPECT_EQ(o.GlyphInkWidth(u'!'), 3);
  for (int32_t y = 1; y <= 7; ++y) {
    const bool ink = y == 2 || y == 3 || y == 4 || y == 6;
    EXPECT_EQ(Get(o, 8, y), ink ? 0xFFFF : 0x0000) << y;
    EXPECT_EQ(Get(o, 7, y), (y >= 2 && y <= 6 && y != 5) ? 0x0000 : 0xF81F) << y;
  }
}

TEST_F(BuiltinStripTest, DrawnTextIsPixelExactAndLowerCaseIsUpperCase) {
  Surface t(&tc_.ctx);
  ASSERT_EQ(t.Create(kSurfaceClear, 8, 7), kOk);
  ASSERT_EQ(DrawText(&t, 0, 1, u"10", &Plain(), 0, 0, nullptr), kOk);
  // '1' = 010 110 010 010 111 in columns 0..2, '0' = 111 101 101 101 111 in 4..6.
  EXPECT_EQ(testing::Lit(t), (std::vector<std::string>{"........", ".#..###.", "##..#.#.",
                                                       ".#..#.#.", ".#..#.#.", "###.###.",
                                                       "........"}));
  for (uint16_t p : testing::Snapshot(t).pixels) EXPECT_TRUE(p == 0 || p == 0xFFFF) << p;
  Surface a(&tc_.ctx);
  Surface b(&tc_.ctx);
  ASSERT_EQ(a.Create(kSurfaceClear, 60, 8), kOk);
  ASSERT_EQ(b.Create(kSurfaceClear, 60, 8), kOk);
  ASSERT_EQ(DrawText(&a, 1, 1, u"SIN(X)", &Plain(), 0, 0, nullptr), kOk);
  ASSERT_EQ(DrawText(&b, 1, 1, u"sin(x)", &Plain(), 0, 0, nullptr), kOk);
  EXPECT_EQ(testing::RawBuffer(a), testing::RawBuffer(b));
  int lit = 0;
  for (uint16_t p : testing::RawBuffer(a)) lit += p == 0xFFFF;
  EXPECT_GT(lit, 30);
}

}  // namespace
}  // namespace abacine
