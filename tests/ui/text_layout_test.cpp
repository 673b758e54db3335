// LayoutText, CellRect and HitTest: cell positions and line counts for the
// wrap, line-feed and tag rules, colours by tag and bracket depth for both
// kinds of font, the 1024-cell limit, and layouts that must end with a
// broken font or an impossible box.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "ui_test_support.h"

namespace abacine {
namespace {

using ui_test::CellText;
using ui_test::UiScene;

TextStyle Style(bool markup = true, bool brackets = false, bool lower = false, int32_t gap = 0) {
  TextStyle s;
  s.markup = markup;
  s.bracketColours = brackets;
  s.lowerCase = lower;
  s.lineGap = gap;
  return s;
}

TEST(LayoutTextTest, CellsAndLines) {
  struct Row {
    const char* name;
    const char16_t* text;
    int32_t right;
    TextStyle style;
    int32_t bottom_limit;  // 0: the target's height (60)
    std::string cells;
    int32_t lines;
  };
  const Row rows[] = {
      {"one line", u"1+2", 200, Style(), 0, "1@10,5 +@14,5 2@18,5", 1},
      // "3" would end at 25: the line breaks after "+", which stays on line 1.
      {"break after plus", u"12+34", 24, Style(), 0, "1@10,5 2@14,5 +@18,5 3@10,13 4@14,13", 2},
      {"long word breaks anywhere", u"123456", 22, Style(), 0,
       "1@10,5 2@14,5 3@18,5 4@10,13 5@14,13 6@18,13", 2},
      {"glyph ending on the edge fits", u"123", 21, Style(), 0, "1@10,5 2@14,5 3@18,5", 1},
      {"space stays at the line end", u"ab cd", 28, Style(), 0,
       "a@10,5 b@15,5 ^@20,5 c@10,13 d@15,13", 2},
      {"trailing line feed adds no line", u"a\n", 200, Style(), 0, "a@10,5", 1},
      {"letter, line feed, letter", u"a\nb", 200, Style(), 0, "a@10,5 b@10,13", 2},
      {"line gap", u"a\nb", 200, Style(true, false, false, 3), 0, "a@10,5 b@10,16", 2},
      // The pending break after "+" must not pull the line feed back in.
      {"wrap never goes back over a line feed", u"1+\n123456", 22, Style(), 0,
       "1@10,5 +@14,5 1@10,13 2@14,13 3@18,13 4@10,21 5@14,21 6@18,21", 3},
      {"tags make no cells", u"[red]a[/]b", 200, Style(), 0, "a@10,5 b@15,5", 1},
      {"unknown tag removed", u"x[foo]y", 200, Style(), 0, "x@10,5 y@16,5", 1},
      {"unclosed tag runs to the end", u"ab[cd", 200, Style(), 0, "a@10,5 b@15,5", 1},
      {"markup off keeps brackets", u"[a]", 200, Style(false), 0, "[@10,5 a@13,5 ]@18,5", 1},
      {"lower case", u"AbC", 200, Style(true, false, true), 0, "a@10,5 b@15,5 c@20,5", 1},
      // Line 3 starts at 21 > 13: the layout stops (the line is counted).
      {"bottom limit", u"1\n2\n3", 200, Style(), 13, "1@10,5 2@10,13", 3},
      {"box narrower than a glyph", u"abc", 5, Style(), 0, "a@10,13 b@10,21 c@10,29", 4},
      {"wrap at a bracket", u"ab+c(d)", 31, Style(true, true), 0,
       "a@10,5 b@15,5 +@20,5 c@10,13 (@15,13 d@19,13 )@24,13", 2},
      {"bottom above the top", u"abc", 5, Style(), -100, "", 2},
      {"empty text", u"", 200, Style(), 0, "", 1},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UiScene s;
    s.font.SetBottomLimit(r.bottom_limit);
    int32_t lines = -1;
    const WString text(r.text);
    EXPECT_EQ(s.font.LayoutText(text, LayoutBox{10, 5, r.right}, r.style, &lines), text.Length());
    EXPECT_EQ(CellText(s.font), r.cells);
    EXPECT_EQ(lines, r.lines);
    // A character-0 cell closes the cells made.
    EXPECT_EQ(s.font.Cell(s.font.CellCount()).character, 0);
  }
}

TEST(LayoutTextTest, ColoursByTagAndBracketDepth) {
  constexpr uint32_t kNone = kNoColour, kRed = 0x000000FF, kBlue = 0x00FF0000,
                     kMagenta = 0x00FF00FF, kGreen = 0x0000FF00, kYellow = 0x0000FFFF;
  constexpr uint32_t kOwn = 0x00123456, kGrey = 0x00C8C8C8, kDarkGrey = 0x003C3C3C;
  struct Row {
    const char* name;
    bool tinted;
    const char16_t* text;
    uint32_t style_colour;
    bool brackets;
    int32_t right;
    std::vector<uint32_t> colours;
  };
  const Row rows[] = {
      {"untinted ignores tags", false, u"[red]a[/]b", kNone, false, 200, {0, 0}},
      {"tinted applies tags", true, u"[red]a[/]b", kNone, false, 200, {kRed, kNone}},
      {"end tag returns to the style", true, u"[green]a[/]b", kOwn, false, 200, {kGreen, kOwn}},
      {"unknown tag changes nothing", true, u"[red]a[blue]b", kNone, false, 200, {kRed, kRed}},
      {"untinted light grey darkened", false, u"ab", kGrey, false, 200, {kDarkGrey, kDarkGrey}},
      {"untinted other colour dropped", false, u"a", kOwn, false, 200, {0}},
      {"tinted light grey kept", true, u"a", kGrey, false, 200, {kGrey}},
      {"untinted brackets 0 1 1 0", false, u"((1))", kNone, true, 200,
       {kBlue, kMagenta, 0, kMagenta, kBlue}},
      {"tinted brackets 0 1 1 0", true, u"((1))", kNone, true, 200,
       {kGreen, kMagenta, kNone, kMagenta, kGreen}},
      {"depth wraps modulo 3", false, u"((((", kNone, true, 200, {kBlue, kMagenta, kGreen, kBlue}},
      {"tinted depth 2", true, u"(((", kNone, true, 200, {kGreen, kMagenta, kYellow}},
      {"unmatched closers stay at depth 0", false, u"))(", kNone, true, 200, {kBlue, kBlue, kBlue}},
      {"brackets uncoloured when off", true, u"(a)", kOwn, false, 200, {kOwn, kOwn, kOwn}},
      // "(" wraps and the word from the break is laid out again: its depth
      // must be that of the break point, not counted twice.
      {"wrap at a bracket keeps the depth", false, u"ab+c(d)", kNone, true, 31,
       {0, 0, 0, 0, kBlue, 0, kBlue}},
      // "dd" wraps back to "cc", which lies before the red tag.
      {"wrap keeps the colour of the break point", true, u"ab+cc[red]dd", kNone, false, 37,
       {kNone, kNone, kNone, kNone, kNone, kRed, kRed}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UiScene s;
    TextFont& f = r.tinted ? s.tinted : s.font;
    TextStyle style = Style(true, r.brackets);
    style.colour = r.style_colour;
    f.LayoutText(r.text, LayoutBox{10, 5, r.right}, style, nullptr);
    std::vector<uint32_t> got;
    for (int32_t i = 0; i < f.CellCount(); ++i) got.push_back(f.Cell(i).colour);
    EXPECT_EQ(got, r.colours);
  }
}

TEST(LayoutTextTest, HitTestAndCellRectEdgesAreExclusive) {
  UiScene s;
  const LayoutBox box{10, 5, 200};
  // Cells of "1+2": (10,5)-(14,13), (14,5)-(18,13), (18,5)-(22,13).
  struct Row {
    int32_t x, y;
    int32_t want;  // -1: no cell
  };
  const Row rows[] = {{11, 6, 0},  {10, 6, -1}, {14, 6, -1}, {15, 6, 1}, {11, 5, -1}, {11, 13, -1},
                      {11, 12, 0}, {21, 12, 2}, {22, 12, -1}, {9, 8, -1}, {50, 8, -1}};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "point " << r.x << "," << r.y);
    int32_t index = -1;
    EXPECT_EQ(s.font.HitTest(u"1+2", box, TextStyle{}, r.x, r.y, &index), r.want >= 0);
    if (r.want >= 0) {
      EXPECT_EQ(index, r.want);
    }
  }
  Rect rect;
  ASSERT_TRUE(s.font.CellRect(2, &rect));
  EXPECT_EQ(rect.left, 18);
  EXPECT_EQ(rect.top, 5);
  EXPECT_EQ(rect.right, 22);
  EXPECT_EQ(rect.bottom, 13);
  EXPECT_FALSE(s.font.CellRect(3, &rect));
  EXPECT_FALSE(s.font.CellRect(-1, &rect));
  // After a wrap the tap finds the cell on the second line.
  int32_t index = -1;
  EXPECT_TRUE(s.font.HitTest(u"12+34", LayoutBox{10, 5, 24}, TextStyle{}, 16, 16, &index));
  EXPECT_EQ(index, 4);
}

TEST(LayoutTextTest, LongTextsStopAtTheCellBuffer) {
  // 5,000 characters with tags and brackets; under AddressSanitizer any
  // write past the 1024 cells fails the run.
  std::mt19937 rng(7);
  const std::u16string pieces[] = {u"(", u")", u"[red]", u"[/]", u"12", u"+", u" ", u"\n", u"sin"};
  std::u16string text;
  while (text.size() < 5000) text += pieces[rng() % std::size(pieces)];
  UiScene s;
  s.font.SetTarget(nullptr);
  s.widgets.drawTarget = nullptr;  // no bottom: only the buffer stops the layout
  TextStyle style = Style(true, true);
  const WString w(text.data(), static_cast<int32_t>(text.size()));
  EXPECT_EQ(s.font.LayoutText(w, LayoutBox{0, 0, 100}, style, nullptr), w.Length());
  EXPECT_EQ(s.font.CellCount(), kTextCellCapacity);
  Rect rect;
  EXPECT_TRUE(s.font.CellRect(kTextCellCapacity - 1, &rect));
  EXPECT_FALSE(s.font.CellRect(kTextCellCapacity, &rect));
  int32_t index = -1;
  EXPECT_FALSE(s.font.HitTest(w, LayoutBox{0, 0, 100}, style, -5, -5, &index));
}

TEST(LayoutTextTest, BrokenFontsAndBoxesStillEnd) {
  UiScene s;
  struct Row {
    const char* name;
    bool cut;  // the font has a strip but no metrics
    int32_t right;
    int32_t cells, lines;
  };
  const Row rows[] = {
      {"no font, wide box", false, 200, 3, 1},
      // Every glyph wraps (height 0); "b" wraps, goes back to the break
      // after "+" and wraps once more.
      {"no font, box right of nothing", false, 5, 3, 5},
      {"uncut strip", true, 5, 3, 5},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    TextFont broken(&s.widgets);
    BitmapFont strip(&s.tc.ctx);
    if (r.cut) {
      ASSERT_EQ(strip.Create(0, 10, 4), kOk);
      broken.Borrow(&strip, 0);
    }
    int32_t lines = 0;
    EXPECT_EQ(broken.LayoutText(u"a+b", LayoutBox{10, 5, r.right}, Style(true, true), &lines), 3);
    EXPECT_EQ(broken.CellCount(), r.cells);
    EXPECT_EQ(lines, r.lines);
    EXPECT_EQ(broken.TextWidth(u"a+b"), 0);
    EXPECT_EQ(broken.CharWidth(u'a'), 0);
  }
}

}  // namespace
}  // namespace abacine
