#include "eval/sign_text.h"

#include <gtest/gtest.h>

#include <string>

namespace abacine {
namespace {

struct Row {
  std::string utf8;
  std::u16string calc;
};

// Readable forms that come back unchanged through both directions.
const Row kReadable[] = {
    {"2ᴇ3", u"2\u00803"},
    {"1.000000001ᴇ9", u"1.000000001\u00809"},
    {"5ᴇ-10", u"5\u0080-10"},
    {"2π", u"2\u00ED"},
    {"ℯ^(2)", u"\u00DC^(2)"},
    {"√(4)", u"\u0087(4)"},
    {"3²", u"3\u0085"},
    {"4⁻¹", u"4\u0086"},
    {"∫(4)", u"\u0084(4)"},
    {"□+1", u"\u00DD+1"},
    {"x′", u"x\u0083"},
    {"x''", u"x''"},
    {"sin(30)*2", u"sin(30)*2"},
    {"", u""},
    {"ж", u"\u0436"},
    {"😀", u"\U0001F600"},
};

TEST(SignTextTest, ReadableFormsRoundTrip) {
  for (const Row& row : kReadable) {
    SCOPED_TRACE(row.utf8);
    std::u16string calc;
    size_t bad = 99;
    ASSERT_TRUE(Utf8ToCalcText(row.utf8, calc, bad));
    EXPECT_EQ(calc, row.calc);
    EXPECT_EQ(CalcTextToUtf8(calc), row.utf8);
  }
}

TEST(SignTextTest, InputOnlyForms) {
  const Row rows[] = {
      {"2×3", u"2*3"},
      {"6÷2", u"6/2"},
      // The raw units U+0080..U+00FF as plain UTF-8.
      {"2\xC2\x80" "3", u"2\u00803"},
      {"\xC3\xAD", u"\u00ED"},
      {"\xC3\x9C", u"\u00DC"},
      {"\xC2\x87(4)", u"\u0087(4)"},
      {"\xC3\x9E", u"\u00DE"},
      // A lone superscript minus is no reciprocal sign.
      {"4⁻", u"4\u207B"},
      {"4⁻2", u"4\u207B" u"2"},
      {"4¹", u"4\u00B9"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    std::u16string calc;
    size_t bad = 0;
    ASSERT_TRUE(Utf8ToCalcText(row.utf8, calc, bad));
    EXPECT_EQ(calc, row.calc);
  }
}

TEST(SignTextTest, InvalidUtf8IsRejectedWithItsOffset) {
  struct Bad {
    std::string bytes;
    size_t offset;
  };
  const Bad rows[] = {
      {"\x80", 0},                 // stray continuation byte
      {"12\xC3", 2},               // truncated two-byte form
      {"1\xE2\x88", 1},            // truncated three-byte form
      {"\xC0\xAF", 0},             // overlong '/'
      {"\xE0\x80\xAF", 0},         // overlong, three bytes
      {"ab\xED\xA0\x80", 2},       // UTF-16 surrogate D800
      {"\xF4\x90\x80\x80", 0},     // beyond U+10FFFF
      {"\xFF", 0},
      {"2+\xC3\x28", 2},           // continuation byte missing
      {std::string("1\0\xFE", 3), 2},
  };
  for (const Bad& row : rows) {
    SCOPED_TRACE(row.offset);
    std::u16string calc;
    size_t bad = 999;
    EXPECT_FALSE(Utf8ToCalcText(row.bytes, calc, bad));
    EXPECT_EQ(bad, row.offset);
  }
}

TEST(SignTextTest, OutputOfUnpairedSurrogates) {
  const std::u16string lone(1, static_cast<char16_t>(0xD800));
  EXPECT_EQ(CalcTextToUtf8(lone + u"1"), "\xEF\xBF\xBD" "1");
  const std::u16string trailing(1, static_cast<char16_t>(0xDC00));
  EXPECT_EQ(CalcTextToUtf8(u"2" + trailing), "2\xEF\xBF\xBD");
}

TEST(SignTextTest, EveryUnitOfTheUpperHalfSurvivesInput) {
  // Each raw unit U+0080..U+00FF typed as UTF-8 arrives as itself, except
  // the two that read as operators.
  for (char32_t c = 0x80; c <= 0xFF; ++c) {
    SCOPED_TRACE(static_cast<int>(c));
    std::string utf8;
    utf8 += static_cast<char>(0xC0 | (c >> 6));
    utf8 += static_cast<char>(0x80 | (c & 0x3F));
    std::u16string calc;
    size_t bad = 0;
    ASSERT_TRUE(Utf8ToCalcText(utf8, calc, bad));
    ASSERT_EQ(calc.size(), 1u);
    if (c == 0xD7) {
      EXPECT_EQ(calc[0], u'*');
    } else if (c == 0xF7) {
      EXPECT_EQ(calc[0], u'/');
    } else if (c == 0xB2) {
      EXPECT_EQ(calc[0], u'\u0085');  // ² is the square sign's readable form
    } else {
      EXPECT_EQ(calc[0], static_cast<char16_t>(c));
    }
  }
}

}  // namespace
}  // namespace abacine
