// BitmapFont: cutting strips by marker row and by blank columns, measuring,
// gaps, and drawing with the three alignments, on strips drawn from text
// pictures ('.' key, '#' ink, 'W' white marker or white ink).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/bitmap_font.h"
#include "surface_test_util.h"
#include "text/wstring.h"

namespace abacine {
namespace {

using testing::Get;
using testing::Put;
using testing::TestContext;

constexpr uint32_t kKey = 0x00FF00FF;
constexpr uint16_t kKeyPixel = 0xF81F;
constexpr uint16_t kInk = 0x1234;

void Paint(BitmapFont& font, const std::vector<std::string>& rows) {
  const auto w = static_cast<int32_t>(rows[0].size());
  const auto h = static_cast<int32_t>(rows.size());
  ASSERT_EQ(font.Create(0, w, h), kOk);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const char c = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
      Put(font, x, y, c == '.' ? kKeyPixel : c == 'W' ? 0xFFFF : kInk);
    }
}

struct Metrics {
  char16_t c;
  int32_t x, width, left, right;
};

void ExpectMetrics(const BitmapFont& f, const std::vector<Metrics>& want) {
  for (const Metrics& m : want) {
    SCOPED_TRACE(::testing::Message() << "char " << static_cast<int>(m.c));
    EXPECT_EQ(f.GlyphX(m.c), m.x);
    EXPECT_EQ(f.GlyphInkWidth(m.c), m.width);
    EXPECT_EQ(f.GlyphLeft(m.c), m.left);
    EXPECT_EQ(f.GlyphRight(m.c), m.right);
  }
}

TEST(CutGlyphsTest, StripsGiveTheirMetrics) {
  struct Row {
    const char* name;
    std::vector<std::string> strip;
    const char16_t* list;
    uint32_t flags;
    std::vector<Metrics> want;
    const char16_t* without;  // characters left with no glyph
  };
  const Row rows[] = {
      // Space: its marker run only. A: ink from column 5, one left of its run
      // 6..9; the marked column 9 keeps the glyph going. B: ink 14..18 starts
      // one right of its run 13..17 and ends one past it.
      {"marker row, bearings",
       {"WWWW..WWWW...WWWWW..", ".....####.....#####.", ".....#..#.....#...#."},
       u" AB", 0,
       {{u' ', 0, 4, 0, 0}, {u'A', 5, 5, -1, 0}, {u'B', 14, 5, 1, -1}},
       u""},
      // Column 6 of O is blank but marked, so O is not split; l starts one
      // column into its run.
      {"marker row, blank marked column",
       {"WWW.WWWW.WW.", "#.#..#....#.", "###.#..#..#."},
       u"HOl", 0,
       {{u'H', 0, 3, 0, 0}, {u'O', 4, 4, 0, 0}, {u'l', 10, 1, 1, 0}},
       u""},
      // U+0141 shares the slot of 'A' (0x41) and replaces its glyph.
      {"low byte, later duplicate wins",
       {"W.WW.WWW.", "#.##.###."},
       u"AB\u0141", 0,
       {{u'A', 5, 3, 0, 0}, {u'\u0241', 5, 3, 0, 0}, {u'B', 2, 2, 0, 0}},
       u""},
      // Space first: it takes the three blank columns before the first glyph.
      // The second space's glyph runs into the last column and is not
      // recorded (the space keeps its leading columns); d is never reached.
      {"blank columns, leading space",
       {"...##..#.###..##", "...#...#..#...##"},
       u" abc d", kCutBlankColumns,
       {{u' ', 0, 3, 0, 0}, {u'a', 3, 2, 0, 0}, {u'b', 7, 1, 0, 0}, {u'c', 9, 3, 0, 0}},
       u"d"},
      // A space listed later needs ink of its own.
      {"blank columns, later space",
       {"##...#..", "##...#.."},
       u"a b", kCutBlankColumns,
       {{u'a', 0, 2, 0, 0}, {u' ', 5, 1, 0, 0}},
       u"b"},
  };
  TestContext tc;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    BitmapFont f(&tc.ctx);
    Paint(f, r.strip);
    ASSERT_EQ(f.CutGlyphs(r.list, kKey, r.flags, nullptr), kOk);
    const bool marker = (r.flags & kCutBlankColumns) == 0;
    EXPECT_EQ(f.CutMode(), marker ? kCutModeMarker : kCutModeColumns);
    EXPECT_EQ(f.GlyphHeight(), static_cast<int32_t>(r.strip.size()) - (marker ? 1 : 0));
    EXPECT_EQ(f.CutStripWidth(), static_cast<int32_t>(r.strip[0].size()));
    EXPECT_EQ(f.Spacing(), 0);
    ExpectMetrics(f, r.want);
    for (const char16_t* c = r.without; *c != 0; ++c) EXPECT_EQ(f.GlyphInkWidth(*c), 0);
    uint32_t key = 0;
    EXPECT_EQ(f.GetKeyColour(&key), kOk);
    EXPECT_EQ(key, kKey);
  }
}

TEST(CutGlyphsTest, ListedCharacterWithoutInkFailsAndLeavesTheFontUncut) {
  TestContext tc;
  BitmapFont f(&tc.ctx);
  Paint(f, {"WW.WW.WW.", "##.......", "##....##."});
  const int32_t spacing = 2;
  ASSERT_EQ(f.CutGlyphs(u"ab", kKey, kCutUseSpacing, &spacing), kOk);  // two inked runs
  EXPECT_EQ(f.Spacing(), 2);
  EXPECT_EQ(f.CutGlyphs(u"abc", kKey, 0, nullptr), kErrGlyphMarkerMismatch);
  EXPECT_FALSE(f.IsCut());
  EXPECT_EQ(f.GlyphInkWidth(u'a'), 0);
  int32_t w = 0;
  EXPECT_EQ(f.MeasureText(u"ab", &w), kErrNoPixels);
}

TEST(CutGlyphsTest, FailedEntryChecksKeepThePreviousMetrics) {
  TestContext tc;
  BitmapFont f(&tc.ctx);
  Paint(f, {"WW.W.", "##.#."});
  ASSERT_EQ(f.CutGlyphs(u"xy", kKey, 0, nullptr), kOk);
  EXPECT_EQ(f.CutGlyphs(u"", kKey, 0, nullptr), kErrInvalidArg);
  EXPECT_EQ(f.CutGlyphs(u"xy", kKey, kCutUseSpacing, nullptr), kErrInvalidArg);
  f.AddFlags(kSurfaceLocked);
  EXPECT_EQ(f.CutGlyphs(u"xy", kKey, 0, nullptr), kErrLocked);
  f.RemoveFlags(kSurfaceLocked);
  tc.State().properties.format_flags = 0x60;
  EXPECT_EQ(f.CutGlyphs(u"xy", kKey, 0, nullptr), kErrWrongDisplayState);
  tc.State().properties.format_flags = 0xA0;
  tc.Close();
  EXPECT_EQ(f.CutGlyphs(u"xy", kKey, 0, nullptr), kErrWrongDisplayState);
  EXPECT_TRUE(f.IsCut());
  EXPECT_EQ(f.GlyphInkWidth(u'y'), 1);
  BitmapFont empty(&tc.ctx);
  EXPECT_EQ(empty.CutGlyphs(u"xy", kKey, 0, nullptr), kErrNoPixels);
}

TEST(CutGlyphsTest, DefaultListIsPrintableAsciiThenUnderscore) {
  EXPECT_EQ(TextLength(kDefaultGlyphList), 96);
  for (int i = 0; i < 95; ++i) ASSERT_EQ(kDefaultGlyphList[i], u' ' + i);
  EXPECT_EQ(kDefaultGlyphList[95], u'_');
  // A strip with 96 one-pixel glyphs cuts with the default list.
  TestContext tc;
  BitmapFont f(&tc.ctx);
  std::string marker, ink;
  for (int i = 0; i < 96; ++i) {
    marker += "W.";
    ink += i == 0 ? ".." : "#.";
  }
  Paint(f, {marker, ink});
  ASSERT_EQ(f.CutGlyphs(nullptr, kKey, 0, nullptr), kOk);
  EXPECT_EQ(f.GlyphX(u'~'), 188);
  EXPECT_EQ(f.GlyphX(u'_'), 190);  // the second '_' replaces the first
}

class MeasureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // a: ink 0..3 around its run 1..2 (left -1, right -1); b: 1 wide, run 5.
    Paint(font_, {".WW..W..", "####.#..", "####.#.."});
    const int32_t spacing = 3;
    ASSERT_EQ(font_.CutGlyphs(u"ab", kKey, kCutUseSpacing, &spacing), kOk);
  }
  TestContext tc_;
  BitmapFont font_{&tc_.ctx};
};

TEST_F(MeasureTest, SpacingAndBearingsOnlyBetweenCharacters) {
  ExpectMetrics(font_, {{u'a', 0, 4, -1, -1}, {u'b', 5, 1, 0, 0}});
  struct Row {
    const char16_t* text;
    int32_t width;
  };
  // A character without a glyph adds only its left entry (0).
  for (const Row& r : {Row{u"a", 4}, Row{u"b", 1}, Row{u"ab", 4 + (-1 + 3) + 0 + 1},
                       Row{u"ba", 1 + (0 + 3) + -1 + 4}, Row{u"aa", 4 + (-1 + 3) + -1 + 4},
                       Row{u"a?b", 4 + (-1 + 3) + 0 + 0 + 1}, Row{u"?", 0}}) {
    int32_t w = -1;
    EXPECT_EQ(font_.MeasureText(r.text, &w), kOk);
    EXPECT_EQ(w, r.width) << std::u16string(r.text).size();
    ASSERT_EQ(font_.MeasureText(WString(r.text), &w), kOk);
    EXPECT_EQ(w, r.width);
  }
  struct Gap {
    char16_t first, second;
    int32_t gap;
  };
  for (const Gap& g : {Gap{u'a', u'b', 2}, Gap{u'b', u'a', 2}, Gap{u'a', u'?', 2}}) {
    int32_t gap = 0;
    ASSERT_EQ(font_.GlyphGap(g.first, g.second, &gap), kOk);
    EXPECT_EQ(gap, g.gap);
  }
  int32_t w = 0;
  ASSERT_EQ(font_.GlyphWidth(u'a', &w), kOk);
  EXPECT_EQ(w, 4);
}

TEST_F(MeasureTest, BadArguments) {
  int32_t w = 0;
  EXPECT_EQ(font_.MeasureText(static_cast<const char16_t*>(nullptr), &w), kErrInvalidArg);
  EXPECT_EQ(font_.MeasureText(u"", &w), kErrInvalidArg);
  EXPECT_EQ(font_.MeasureText(u"a", nullptr), kErrInvalidArg);
  EXPECT_EQ(font_.MeasureText(WString(), &w), kErrInvalidArg);
  EXPECT_EQ(font_.GlyphWidth(0, &w), kErrInvalidArg);
  EXPECT_EQ(font_.GlyphWidth(u'a', nullptr), kErrInvalidArg);
  EXPECT_EQ(font_.GlyphGap(u'a', 0, &w), kErrInvalidArg);
  EXPECT_EQ(font_.GlyphGap(u'a', u'b', nullptr), kErrInvalidArg);
  BitmapFont uncut(&tc_.ctx);
  EXPECT_EQ(uncut.GlyphWidth(u'a', &w), kErrNoPixels);
  EXPECT_EQ(uncut.GlyphGap(u'a', u'b', &w), kErrNoPixels);
}

class DrawTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Solid glyphs so drawn extents are easy to read: x is 3 wide, y 2 wide.
    Paint(font_, {"WWW.WW.", "###.##.", "###.##."});
    const int32_t spacing = 1;
    ASSERT_EQ(font_.CutGlyphs(u"xy", kKey, kCutUseSpacing, &spacing), kOk);
    ASSERT_EQ(target_.Create(kSurfaceClear, 30, 4), kOk);
  }
  // Lit columns of row 1.
  std::vector<int32_t> LitColumns() {
    std::vector<int32_t> lit;
    for (int32_t x = 0; x < 30; ++x)
      if (Get(target_, x, 1) != 0) lit.push_back(x);
    return lit;
  }
  TestContext tc_;
  BitmapFont font_{&tc_.ctx};
  Surface target_{&tc_.ctx};
};

TEST_F(DrawTextTest, AlignmentsAgreeWithTheMeasuredWidth) {
  // "xyx" measures 3 + 1 + 2 + 1 + 3 = 10; "x" measures 3, an odd width:
  // centred, the part right of x is the wider one.
  struct Row {
    const char16_t* text;
    uint32_t options;
    int32_t x;
    std::vector<int32_t> lit;
  };
  const std::vector<int32_t> xyx = {0, 1, 2, 4, 5, 7, 8, 9};
  const auto at = [&xyx](int32_t first) {
    std::vector<int32_t> v;
    for (int32_t c : xyx) v.push_back(first + c);
    return v;
  };
  for (const Row& r : {Row{u"xyx", 0, 5, at(5)}, Row{u"xyx", kTextRight, 20, at(10)},
                       Row{u"xyx", kTextCentre, 15, at(10)},
                       Row{u"xyx", kTextRight | kTextCentre, 20, at(10)},
                       Row{u"x", kTextCentre, 10, {9, 10, 11}}}) {
    SCOPED_TRACE(r.options);
    ASSERT_EQ(target_.Create(kSurfaceClear, 30, 4), kOk);
    ASSERT_EQ(DrawText(&target_, r.x, 1, r.text, &font_, r.options, 0, nullptr), kOk);
    EXPECT_EQ(LitColumns(), r.lit);
    EXPECT_EQ(Get(target_, r.lit[0], 1), kInk);
  }
}

TEST_F(DrawTextTest, ErrorsInOrderAndGlyphsBeforeAFailureStay) {
  EXPECT_EQ(DrawText(&target_, 0, 0, u"x", nullptr, 0, 0, nullptr), kErrInvalidArg);
  EXPECT_EQ(DrawText(&target_, 0, 0, static_cast<const char16_t*>(nullptr), &font_, 0, 0, nullptr),
            kErrInvalidArg);
  EXPECT_EQ(DrawText(&target_, 0, 0, u"", &font_, 0, 0, nullptr), kErrInvalidArg);
  EXPECT_EQ(DrawText(nullptr, 0, 0, u"x", &font_, 0, 0, nullptr), kErrInvalidArg);
  BitmapFont uncut(&tc_.ctx);
  ASSERT_EQ(uncut.Create(0, 4, 4), kOk);
  EXPECT_EQ(DrawText(&target_, 0, 0, u"x", &uncut, 0, 0, nullptr), kErrNoPixels);
  Surface ro(&tc_.ctx);
  ASSERT_EQ(ro.Create(kSurfaceReadOnly, 8, 8), kOk);
  EXPECT_EQ(DrawText(&ro, 0, 0, u"x", &font_, 0, 0, nullptr), kErrReadOnlyTarget);
  font_.AddFlags(kSurfaceLocked);
  EXPECT_EQ(DrawText(&target_, 0, 0, u"x", &font_, 0, 0, nullptr), kErrLocked);
  font_.RemoveFlags(kSurfaceLocked);
  tc_.Turn(2);
  EXPECT_EQ(DrawText(&target_, 0, 0, u"x", &font_, 0, 0, nullptr), kErrWrongDisplayState);
  tc_.Turn(1);
  // The last glyph falls off the target: the first ones stay drawn.
  EXPECT_EQ(DrawText(&target_, 22, 1, u"xyx", &font_, 0, 0, nullptr), kErrBadRect);
  EXPECT_EQ(LitColumns(), (std::vector<int32_t>{22, 23, 24, 26, 27}));
  // A strip re-created at another width is refused until cut again.
  Paint(font_, {"WWW.WW..", "###.##..", "###.##.."});
  EXPECT_EQ(DrawText(&target_, 0, 0, u"x", &font_, 0, 0, nullptr), kErrNoPixels);
}

TEST_F(DrawTextTest, EffectsPassThroughAndTheKeyIsAlwaysOn) {
  ASSERT_EQ(target_.FillArea(nullptr, 0x00FFFFFF, 0, nullptr), kOk);
  Effects fx;
  fx.scale_or_colour = 0;  // multiply by black
  ASSERT_EQ(DrawText(&target_, 0, 0, WString(u"y"), &font_, 0, kBlitMultiply, &fx), kOk);
  EXPECT_EQ(Get(target_, 0, 0), 0x0000);
  EXPECT_EQ(Get(target_, 1, 1), 0x0000);
  EXPECT_EQ(Get(target_, 2, 0), 0xFFFF);  // key column after the glyph: untouched
  EXPECT_EQ(Get(target_, 0, 2), 0xFFFF);  // below the glyph
}

}  // namespace
}  // namespace abacine
