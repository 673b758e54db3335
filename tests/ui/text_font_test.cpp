// TextFont: metrics at two scales, creation from an archive (good, missing
// and uncuttable strips), drawing against the glyph strip pixel by pixel
// (markup at the cells LayoutText reports, the colour rules of both kinds of
// font) and the "..." cut.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "../graphics/archive_support.h"
#include "graphics/archive.h"
#include "platform/platform.h"
#include "ui_test_support.h"

namespace abacine {
namespace {

using testing::Expected;
using ui_test::kBackground;
using ui_test::PutGlyph;
using ui_test::UiScene;

TEST(TextFontTest, MetricsFollowTheStrip) {
  struct Row {
    int32_t scale;
    const char16_t* text;
    int32_t width, height, space, char_width;
  };
  // Scale 1: "1+2" is 3+1+3+1+3; scale 2 doubles the glyphs and the spacing.
  const Row rows[] = {{1, u"1+2", 11, 8, 4, 3},
                      {2, u"1+2", 22, 15, 8, 6},
                      {1, u"", 0, 8, 4, 3},
                      {1, u"m.", 7, 8, 4, 3}};
  for (const Row& r : rows) {
    SCOPED_TRACE(r.scale);
    UiScene s(120, 60, r.scale);
    EXPECT_EQ(s.font.TextWidth(r.text), r.width);
    EXPECT_EQ(s.font.FontHeight(), r.height);
    EXPECT_EQ(s.font.SpaceWidth(), r.space);
    EXPECT_EQ(s.font.CharWidth(u'7'), r.char_width);
  }
  TextFont none;
  EXPECT_EQ(none.FontHeight(), 0);
  EXPECT_EQ(none.SpaceWidth(), 0);
}

// The sample strip as a PNG file's bytes.
archive_test::Bytes StripPng(testing::TestContext& tc, const archive_test::TempDir& dir) {
  Surface strip(&tc.ctx);
  EXPECT_EQ(DrawSampleStrip(&strip, 1, 0), kOk);
  const std::string path = dir.Path() + "/strip.png";
  const testing::Grid pixels = testing::Snapshot(strip);
  EXPECT_TRUE(platform::WritePng565(path, pixels.pixels.data(), pixels.width, pixels.height));
  std::ifstream in(path, std::ios::binary);
  return archive_test::Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(TextFontTest, CreateFromArchive) {
  UiScene s;
  archive_test::TempDir dir;
  // Two marker runs with no ink under them: the first is the space, the
  // second has no glyph for "!", so the cut fails.
  Surface bad(&s.tc.ctx);
  ASSERT_EQ(bad.Create(0, 12, 8), kOk);
  bad.FillArea(nullptr, kSampleFontKey, 0, nullptr);
  for (const Rect run : {Rect{2, 0, 6, 1}, Rect{8, 0, 11, 1}})
    bad.FillArea(&run, 0xFFFFFF, 0, nullptr);
  const testing::Grid bad_pixels = testing::Snapshot(bad);
  ASSERT_TRUE(platform::WritePng565(dir.Path() + "/bad.png", bad_pixels.pixels.data(), 12, 8));
  std::ifstream bad_file(dir.Path() + "/bad.png", std::ios::binary);
  const archive_test::Bytes bad_png{std::istreambuf_iterator<char>(bad_file),
                                    std::istreambuf_iterator<char>()};

  const std::string file =
      dir.Write("fonts.vfs", archive_test::Serialize(archive_test::Dir(
                                 "", {archive_test::Compressed("font.png", StripPng(s.tc, dir)),
                                      archive_test::File("bad.png", bad_png)})));
  Archive archive;
  ASSERT_EQ(archive.OpenArchive(file.c_str()), kOk);

  struct Row {
    const char16_t* path;
    ResultCode code;
    int32_t height, width;  // of "1+2"
  };
  const Row rows[] = {{u"/font.png", kOk, 8, 11},
                      {u"/missing.png", kErrEntryNotFound, 0, 0},
                      {u"/bad.png", kErrGlyphMarkerMismatch, 8, 0}};
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << static_cast<char>(r.path[1]));
    TextFont f(&s.widgets);
    EXPECT_EQ(f.Create(&s.tc.ctx, &archive, r.path, kSampleFontKey, kSampleFontChars, 1, 0),
              r.code);
    f.SetTarget(&s.target);
    EXPECT_EQ(f.FontHeight(), r.height);
    EXPECT_EQ(f.TextWidth(u"1+2"), r.width);
    EXPECT_FALSE(f.Borrowed());
    // A font that failed draws nothing and still lays out.
    s.Clear();
    Expected e(s.target);
    if (r.code == kOk) PutGlyph(e.want, *s.font.Font(), u'7', 3, 4);
    f.DrawString(u"7", 3, 4);
    f.DrawMarkup(u"7", 3, 4);
    e.Check(s.target);
  }
}

TEST(TextFontTest, BorrowedFontOutlivesItsTextFont) {
  UiScene s;
  BitmapFont strip(&s.tc.ctx);
  ASSERT_EQ(MakeSampleFont(&strip, 1, 0), kOk);
  {
    TextFont f;
    f.Borrow(&strip, 0);
    EXPECT_TRUE(f.Borrowed());
    EXPECT_EQ(f.TextWidth(u"1+2"), 11);
  }
  // Still ours: freeing it twice would fail under AddressSanitizer.
  EXPECT_TRUE(strip.IsCut());
  EXPECT_EQ(strip.MeasureUnits(u"1+2", 3), 11);
}

TEST(TextFontTest, MarkupLandsGlyphByGlyphOnItsCells) {
  // Random texts of glyphs, spaces, line feeds, tags and brackets, drawn
  // plainly with DrawMarkup: the target must hold exactly the strip's glyphs
  // at the cells the layout reports, clipped at the target's edges, and
  // nothing else.
  std::mt19937 rng(99);
  const std::u16string pieces[] = {u"12", u"+",   u" ",   u"\n",     u"[red]",  u"[/]", u"(",
                                   u")",  u"sin", u"mmx", u"\u00ED", u"\u0087", u"...", u"-4"};
  for (int trial = 0; trial < 60; ++trial) {
    UiScene s(97, 41);
    std::u16string text;
    const int n = testing::Between(rng, 0, 30);
    for (int i = 0; i < n; ++i) text += pieces[rng() % std::size(pieces)];
    const WString w(text.data(), static_cast<int32_t>(text.size()));
    TextStyle style;
    style.rightMargin = testing::Between(rng, -10, 40);
    style.lineGap = testing::Between(rng, 0, 3);
    const int32_t x = testing::Between(rng, -6, 60), y = testing::Between(rng, -6, 30);
    SCOPED_TRACE(::testing::Message() << "trial " << trial << " at " << x << "," << y);
    Expected e(s.target);
    const int32_t lines = s.font.DrawMarkup(w, x, y, style);
    // The cells of the layout just drawn, copied from the strip.
    int32_t lines_again = 0;
    s.font.LayoutText(w, s.font.LastMarkupBox(), style, &lines_again);
    EXPECT_EQ(lines, lines_again);
    for (int32_t i = 0; i < s.font.CellCount(); ++i) {
      const TextCell& c = s.font.Cell(i);
      PutGlyph(e.want, *s.font.Font(), c.character, c.x, c.y);
    }
    e.Check(s.target);
  }
}

TEST(TextFontTest, ColourRules) {
  // The sample glyphs are black (untinted font) or white (tinted font).
  // Screen lifts black to the colour; multiply takes white down to it.
  struct Row {
    const char* name;
    bool tinted;
    bool markup;  // DrawMarkup with the brackets coloured, else DrawString
    const char16_t* text;
    uint32_t colour;
    uint16_t ink;  // the pixel of the glyph's ink
  };
  const Row rows[] = {
      {"untinted string ignores colour", false, false, u"1", 0x000000FF, 0x0000},
      {"tinted string multiplies", true, false, u"1", 0x000000FF, 0xF000},
      {"tinted string, colour is the tint", true, false, u"1", ui_test::kWhite, 0xFFFF},
      {"tinted string, no colour", true, false, u"1", kNoColour, 0xFFFF},
      {"untinted bracket screened blue", false, true, u"(", kNoColour, 0x001F},
      {"untinted light grey screened dark", false, true, u"1", 0x00C8C8C8, 0x39E7},
      {"untinted red tag ignored", false, true, u"[red]1", kNoColour, 0x0000},
      {"tinted red tag", true, true, u"[red]1", kNoColour, 0xF000},
      {"tinted bracket green", true, true, u"(", kNoColour, 0x07C0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    UiScene s;
    TextFont& f = r.tinted ? s.tinted : s.font;
    TextStyle style;
    style.colour = r.colour;
    style.bracketColours = true;
    if (r.markup) {
      f.DrawMarkup(r.text, 10, 10, style);
    } else {
      f.DrawString(r.text, 10, 10, r.colour);
    }
    // "1" and "(" both have ink in their first column, row 3 of the strip
    // (the second glyph row).
    EXPECT_EQ(testing::Get(s.target, 10, 12), r.ink);
    EXPECT_EQ(testing::Get(s.target, 9, 12), kBackground);
  }
}

TEST(TextFontTest, DrawStringFitCutsWithinTheWidth) {
  // "abcdefgh" is 39 wide, "..." 5; a head of k letters with the dots is
  // 5k + 5 wide.
  struct Row {
    int32_t max;
    const char16_t* text;
    const char16_t* drawn;
  };
  const Row rows[] = {
      {16, u"abcdefgh", u"abcdefgh"},  // 16 or less never cuts
      {5, u"abcdefgh", u"abcdefgh"},
      {-3, u"abcdefgh", u"abcdefgh"},
      {39, u"abcdefgh", u"abcdefgh"},  // fits exactly
      {38, u"abcdefgh", u"abcdef..."},
      {20, u"abcdefgh", u"abc..."},
      // "abc" alone is 14 = 19 - 5, but with the gap before the dots it
      // would end at 20.
      {19, u"abcdefgh", u"ab..."},
      {17, u"abcdefgh", u"ab..."},
      {17, u"mmmm", u"mm..."},
      {17, u"", u""},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << "max " << r.max);
    UiScene fitted, plain;
    fitted.font.DrawStringFit(r.text, 4, 4, r.max, 0);
    plain.font.DrawString(r.drawn, 4, 4);
    EXPECT_EQ(testing::Snapshot(fitted.target).pixels, testing::Snapshot(plain.target).pixels);
    if (r.max > 16) {
      EXPECT_LE(plain.font.TextWidth(r.drawn), r.max);
    }
  }
}

}  // namespace
}  // namespace abacine
