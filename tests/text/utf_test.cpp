#include "text/utf.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "text/hex.h"

namespace abacine {
namespace {

std::u16string Units(std::initializer_list<char16_t> units) { return std::u16string(units); }

// Every length at both ends of its range, and each way UTF-8 can be broken.
TEST(Utf8, DecodesBoundariesAndRefusesMalformedText) {
  const struct {
    std::string utf8;
    std::u16string utf16;  // expected when valid
    size_t bad = std::string::npos;  // offset of the first bad sequence
  } rows[] = {
      {"", u""},
      {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
      {"\x7F", u"\u007F"},
      {"\xC2\x80", u"\u0080"},
      {"\xDF\xBF", u"\u07FF"},
      {"\xE0\xA0\x80", u"\u0800"},
      {"\xED\x9F\xBF", u"\uD7FF"},
      {"\xEE\x80\x80", u"\uE000"},
      {"\xEF\xBF\xBF", u"\uFFFF"},
      {"\xF0\x90\x80\x80", u"\U00010000"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"x\xC3\xA9\xCF\x80\xE2\x86\x91", u"x\u00e9\u03c0\u2191"},
      {"\xC0\xAF", u"", 0},              // overlong '/'
      {"\xC1\xBF", u"", 0},              // overlong
      {"ab\xE0\x80\x80", u"", 2},        // overlong NUL
      {"\xF0\x8F\xBF\xBF", u"", 0},      // overlong U+FFFF
      {"\xED\xA0\x80", u"", 0},          // high surrogate
      {"\xED\xBF\xBF", u"", 0},          // low surrogate
      {"\xF4\x90\x80\x80", u"", 0},      // beyond U+10FFFF
      {"\xF5\x80\x80\x80", u"", 0},
      {"\xF8\x88\x80\x80\x80", u"", 0},  // five-byte form
      {"\xFF", u"", 0},
      {"a\x80", u"", 1},                 // lone continuation
      {"\xE2\x28\xA1", u"", 0},          // continuation missing
      {"\xC3", u"", 0},                  // cut short at the end
      {"ok\xF0\x9F\x98", u"", 2},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.utf8));
    std::u16string out = u"untouched";
    size_t bad = std::string::npos;
    const bool valid = row.bad == std::string::npos;
    EXPECT_EQ(FromUtf8(row.utf8, &out, &bad), valid);
    EXPECT_EQ(IsUtf8(row.utf8), valid);
    EXPECT_EQ(bad, row.bad);
    EXPECT_EQ(out, valid ? row.utf16 : u"untouched");
    if (valid) {
      EXPECT_EQ(ToUtf8(out), row.utf8);
    }
  }
}

TEST(Utf16, LoneSurrogatesAreReplacedOrRefused) {
  const struct {
    std::u16string text;
    std::string replaced;
  } rows[] = {
      {Units({0xD800}), "\xEF\xBF\xBD"},
      {Units({0xDFFF, u'a'}), "\xEF\xBF\xBD" "a"},
      {Units({u'a', 0xDBFF}), "a\xEF\xBF\xBD"},
      {Units({0xDC00, 0xD800}), "\xEF\xBF\xBD\xEF\xBF\xBD"},  // the wrong order is no pair
      {Units({0xD800, 0xD800, 0xDC00}), "\xEF\xBF\xBD\xF0\x90\x80\x80"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.replaced));
    EXPECT_EQ(ToUtf8(row.text), row.replaced);
    std::string strict = "untouched";
    EXPECT_FALSE(ToUtf8Strict(row.text, &strict));
    EXPECT_EQ(strict, "untouched");
  }
  std::string strict;
  EXPECT_TRUE(ToUtf8Strict(Units({0xD83D, 0xDE00}), &strict));
  EXPECT_EQ(strict, "\xF0\x9F\x98\x80");
}

TEST(Utf16, AppendWritesReplacementForValuesThatAreNoCharacter) {
  for (const char32_t c : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xFFFFFFFF}}) {
    SCOPED_TRACE(static_cast<uint32_t>(c));
    std::string narrow;
    std::u16string wide;
    AppendUtf8(&narrow, c);
    AppendUtf16(&wide, c);
    EXPECT_EQ(narrow, "\xEF\xBF\xBD");
    EXPECT_EQ(wide, u"\uFFFD");
  }
  char32_t c = 0;
  EXPECT_EQ(DecodeUtf8("a", 1, &c), 0u);  // past the end
  EXPECT_EQ(DecodeUtf16(u"a", 1, &c), 0u);
}

// Random scalar values of every length survive both directions.
TEST(Utf16, RandomTextRoundTrips) {
  std::mt19937 rng(42);
  for (int round = 0; round < 200; ++round) {
    std::u16string text;
    for (int i = 0; i < 40; ++i) {
      char32_t c = 0;
      do {
        const char32_t limits[] = {0x80, 0x800, 0x10000, 0x110000};
        c = static_cast<char32_t>(rng() % limits[rng() % 4]);
      } while (IsSurrogate(c));
      AppendUtf16(&text, c);
    }
    std::string narrow;
    ASSERT_TRUE(ToUtf8Strict(text, &narrow));
    std::u16string back;
    ASSERT_TRUE(FromUtf8(narrow, &back));
    ASSERT_EQ(back, text);
  }
}

TEST(HexCode, LowerCaseWithoutLeadingZeros) {
  const std::pair<uint32_t, const char*> rows[] = {
      {0, "0x0"}, {0xF, "0xf"}, {0x10, "0x10"}, {0xC8660110u, "0xc8660110"}, {0x80070057u, "0x80070057"},
      {0xFFFFFFFFu, "0xffffffff"}};
  for (const auto& [value, text] : rows) {
    EXPECT_EQ(HexCode(value), text);
    EXPECT_EQ(HexCode<char16_t>(value), std::u16string(text, text + std::char_traits<char>::length(text)));
  }
}

}  // namespace
}  // namespace abacine
