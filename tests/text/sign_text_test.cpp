#include "text/sign_text.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace abacine {
namespace {

// Readable forms come back unchanged through both directions; input-only
// forms (× ÷, the raw units U+0080..U+00FF as plain UTF-8, a superscript
// minus without its one) are only read.
TEST(SignTextTest, ReadableAndInputForms) {
  struct Row {
    std::string utf8;
    std::u16string calc;
    bool roundTrip = true;
  };
  const Row rows[] = {
      {"2ᴇ3", u"2\u00803"},       {"1.000000001ᴇ9", u"1.000000001\u00809"}, {"5ᴇ-10", u"5\u0080-10"},
      {"2π", u"2\u00ED"},         {"ℯ^(2)", u"\u00DC^(2)"},                  {"√(4)", u"\u0087(4)"},
      {"3²", u"3\u0085"},         {"4⁻¹", u"4\u0086"},                       {"∫(4)", u"\u0084(4)"},
      {"□+1", u"\u00DD+1"},       {"x′", u"x\u0083"},                        {"x''", u"x''"},
      {"sin(30)*2", u"sin(30)*2"}, {"", u""},                                {"ж", u"\u0436"},
      {"😀", u"\U0001F600"},
      {"2×3", u"2*3", false},     {"6÷2", u"6/2", false},                    {"2\xC2\x80" "3", u"2\u00803", false},
      {"\xC3\xAD", u"\u00ED", false}, {"\xC3\x9C", u"\u00DC", false},       {"\xC2\x87(4)", u"\u0087(4)", false},
      {"\xC3\x9E", u"\u00DE", false}, {"4⁻", u"4\u207B", false},            {"4⁻2", u"4\u207B" u"2", false},
      {"4¹", u"4\u00B9", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    std::u16string calc;
    size_t bad = 99;
    ASSERT_TRUE(Utf8ToCalcText(row.utf8, calc, bad));
    EXPECT_EQ(calc, row.calc);
    if (row.roundTrip) {
      EXPECT_EQ(CalcTextToUtf8(calc), row.utf8);
    }
  }
  // Output of unpaired surrogates.
  EXPECT_EQ(CalcTextToUtf8(std::u16string(1, static_cast<char16_t>(0xD800)) + u"1"), "\xEF\xBF\xBD" "1");
  EXPECT_EQ(CalcTextToUtf8(u"2" + std::u16string(1, static_cast<char16_t>(0xDC00))), "2\xEF\xBF\xBD");
}

TEST(SignTextTest, InvalidUtf8IsRejectedWithItsOffset) {
  const std::tuple<std::string, size_t> rows[] = {
      {"\x80", 0},              // stray continuation byte
      {"12\xC3", 2},            // truncated two-byte form
      {"1\xE2\x88", 1},         // truncated three-byte form
      {"\xC0\xAF", 0},          // overlong '/'
      {"\xE0\x80\xAF", 0},      // overlong, three bytes
      {"ab\xED\xA0\x80", 2},    // UTF-16 surrogate D800
      {"\xF4\x90\x80\x80", 0},  // beyond U+10FFFF
      {"\xFF", 0},
      {"2+\xC3\x28", 2},        // continuation byte missing
      {std::string("1\0\xFE", 3), 2},
  };
  for (const auto& [bytes, offset] : rows) {
    SCOPED_TRACE(offset);
    std::u16string calc;
    size_t bad = 999;
    EXPECT_FALSE(Utf8ToCalcText(bytes, calc, bad));
    EXPECT_EQ(bad, offset);
  }
}

// Each raw unit U+0080..U+00FF typed as UTF-8 arrives as itself, except the
// two that read as operators and ², the square sign's readable form.
TEST(SignTextTest, EveryUnitOfTheUpperHalfSurvivesInput) {
  for (char32_t c = 0x80; c <= 0xFF; ++c) {
    SCOPED_TRACE(static_cast<int>(c));
    std::string utf8;
    utf8 += static_cast<char>(0xC0 | (c >> 6));
    utf8 += static_cast<char>(0x80 | (c & 0x3F));
    std::u16string calc;
    size_t bad = 0;
    ASSERT_TRUE(Utf8ToCalcText(utf8, calc, bad));
    ASSERT_EQ(calc.size(), 1u);
    const char16_t want = c == 0xD7 ? u'*' : c == 0xF7 ? u'/' : c == 0xB2 ? u'\u0085' : static_cast<char16_t>(c);
    EXPECT_EQ(calc[0], want);
  }
}

}  // namespace
}  // namespace abacine
