#include "engine/parser.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/signs.h"
#include "token_text.h"

namespace abacine {
namespace {

using test::Narrow;
using test::RenderTokens;

struct Row {
  std::u16string text;
  const char* postfix;  // expected rendering; null when the parse must fail
  int32_t error;        // expected code when it fails
};

// Builds a text with calculator signs from pieces, e.g. S(u"2", kPiSign).
template <typename... Pieces>
std::u16string S(Pieces... pieces) {
  std::u16string out;
  ((out += pieces), ...);
  return out;
}

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE("text: " + Narrow(row.text));
    Parser parser;
    TokenList tokens;
    const bool ok = parser.Parse(row.text.c_str(), tokens);
    if (row.postfix != nullptr) {
      ASSERT_TRUE(ok) << "error " << parser.ErrorCode();
      EXPECT_EQ(RenderTokens(tokens), row.postfix);
      EXPECT_EQ(parser.ErrorCode(), -1);
    } else {
      EXPECT_FALSE(ok) << "parsed as " << RenderTokens(tokens);
      EXPECT_EQ(parser.ErrorCode(), row.error);
      EXPECT_TRUE(tokens.empty());
    }
  }
}

TEST(ParserTest, BasicRoads) {
  CheckRows({
      {u"2+3", "2 3 +", 0},
      {u"sin(30)", "30 sin/1", 0},
      {u"2*3+4", "2 3 * 4 +", 0},
      {u"2+3*4", "2 3 4 * +", 0},
      {u"8/4/2", "8 4 / 2 /", 0},
      {u"7-2-1", "7 2 - 1 -", 0},
      {u"1=2", "1 2 =", 0},
      {u"  12.5  ", "12.5", 0},
      {u"sin(30)+1", "30 sin/1 1 +", 0},
      {u"sin(cos(0))", "0 cos/1 sin/1", 0},
  });
}

TEST(ParserTest, ImpliedTimes) {
  CheckRows({
      {u"2(3)", "2 3 *", 0},
      {u"(2)(3)", "2 3 *", 0},
      {u"2sin(30)", "2 30 sin/1 *", 0},
      {u"x(2)", "x 2 *", 0},
      {S(u"2", kPiSign), "2 <pi> *", 0},
      {S(kPiSign, u"2"), "<pi> 2 *", 0},
      {S(kPiSign, kESign), "<pi> <e> *", 0},
      {S(u"2", kSquareSign, u"(3)"), "2 2 ^ 3 *", 0},
      {S(u"2", kSquareSign, u"3"), "2 2 ^ 3 *", 0},
      {S(u"2", kReciprocalSign), "2 -1 ^", 0},
      {u"(2)3", "2 3 *", 0},
      {u"2x", "2 x *", 0},
      {u"(1)x", "1 x *", 0},
      {u"2{1}", "2 1 $1 *", 0},
      {u"{1}{2}", "1 $1 2 $1 *", 0},
      {S(u"2", kPlaceholderSign), "2 # *", 0},
      {S(kPlaceholderSign, u"2"), "# 2 *", 0},
      {S(u"(1)", kPlaceholderSign), "1 # *", 0},
      {S(u"2", kRootSign, u"(4)"), "2 4 sqrt/1 *", 0},
      {S(kRootSign, u"(4)"), "4 sqrt/1", 0},
      {S(kIntegralSign, u"(4)"), "4 Integrate/1", 0},
      {u"xy", "xy", 0},
      {u"x y", "x y *", 0},
  });
}

TEST(ParserTest, BuiltinNamesNeedAnOpeningBracket) {
  CheckRows({
      {u"sin 30", nullptr, kParseBareBuiltin},
      {u"sin", nullptr, kParseBareBuiltin},
      {u"2+sin", nullptr, kParseBareBuiltin},
      {u"sin (30)", nullptr, kParseBareBuiltin},
      {u"sin(30", "30 sin/1", 0},
      {u"sin(cos(30", "30 cos/1 sin/1", 0},
      {u"Sin(30)", "Sin 30 *", 0},
      {u"sinh(1)", "1 sinh/1", 0},
      {u"si(1)", "si 1 *", 0},
      {S(kRootSign, u"4"), nullptr, kParseMalformed},
      {S(kIntegralSign, u" (4)"), nullptr, kParseMalformed},
      {S(u"2", kRootSign), nullptr, kParseMalformed},
  });
}

TEST(ParserTest, UnaryAndBinaryMinus) {
  CheckRows({
      {u"-2^2", "2 2 ^ @", 0},
      {u"-2", "2 @", 0},
      {u"--2", "2 @ @", 0},
      {u"2^-2", "2 2 @ ^", 0},
      {u"2^-2^2", "2 2 2 ^ @ ^", 0},
      {u"(-2)", "2 @", 0},
      {u"2*-3", "2 3 @ *", 0},
      {u"2--3", "2 3 @ -", 0},
      {u"nPr(5,-2)", "5 2 @ nPr/2", 0},
      {S(u"2", kExponentSign, u"-3"), "2 3 @ E", 0},
      {u"5-2", "5 2 -", 0},
      {u"x-1", "x 1 -", 0},
      {S(kPlaceholderSign, u"-1"), "# 1 -", 0},
      {u"{1}-1", "1 $1 1 -", 0},
      {u"sin(30)-1", "30 sin/1 1 -", 0},
      {S(u"2", kSquareSign, u"-1"), "2 2 ^ 1 -", 0},
      {S(kPiSign, u"-1"), "<pi> 1 -", 0},
      {u"-2*3", "2 @ 3 *", 0},
      {u"-3!", "3 ! @", 0},
  });
}

// A '-' after a complete operand subtracts even where the operand ends in
// ')', ']', '!' or a prime, and a '-' after leading blanks negates.
TEST(ParserTest, MinusAfterCompleteOperandsAndLeadingBlanks) {
  CheckRows({
      {u"3!-1", "3 ! 1 -", 0},
      {u"(2!)-1", "2 ! 1 -", 0},
      {u"(1+2)-1", "1 2 + 1 -", 0},
      {u"(2)-1", "2 1 -", 0},
      {u" -3", "3 @", 0},
      {u"   -3+1", "3 @ 1 +", 0},
      {u"2 -3", "2 3 -", 0},
      {u"3! -1", "3 ! 1 -", 0},
      {u"x[1]-2", "x 1 fn122/1 2 -", 0},
      {u"x'-1", "x fn83/1 1 -", 0},
      {S(u"x", kPrimeSign, u"-1"), "x fn82/1 1 -", 0},
  });
}

TEST(ParserTest, NumberLiterals) {
  CheckRows({
      {u"1.2.3", nullptr, kParseMalformed},
      {u".", nullptr, kParseMalformed},
      {u"2+.", nullptr, kParseMalformed},
      {u"5.", "5.", 0},
      {u".5", ".5", 0},
      {u"007", "007", 0},
      {u"1.5+.25", "1.5 .25 +", 0},
      {u"2 3", nullptr, kParseOperandCount},
      {u"e", "e", 0},
      {S(kESign), "<e>", 0},
      {u"pi", "pi", 0},
      {S(kPiSign), "<pi>", 0},
      {u"2e3", "2 e3 *", 0},
  });
}

TEST(ParserTest, PowersAssociateToTheRight) {
  CheckRows({
      {u"2^3^2", "2 3 2 ^ ^", 0},
      {u"(2^3)^2", "2 3 ^ 2 ^", 0},
      {u"2^(3)^2", "2 3 ^ 2 ^", 0},
      {u"2^3*4", "2 3 ^ 4 *", 0},
      {u"sin(2)^2", "2 sin/1 2 ^", 0},
      {S(u"2", kExponentSign, u"3"), "2 3 E", 0},
      {S(u"2", kExponentSign, u"3^2"), "2 3 E 2 ^", 0},
      {S(u"2^3", kExponentSign, u"2"), "2 3 2 E ^", 0},
  });
}

TEST(ParserTest, FactorialAndMarks) {
  CheckRows({
      {u"5!", "5 !", 0},
      {u"3!^2", "3 ! 2 ^", 0},
      {u"2^3!", "2 3 ! ^", 0},
      {u"3!2", nullptr, kParseOperandCount},
      {u"x'", "x fn83/1", 0},
      {u"x''", "x fn84/1", 0},
      {S(u"x", kPrimeSign), "x fn82/1", 0},
  });
}

TEST(ParserTest, ListsAndArguments) {
  CheckRows({
      {u"{1,2,3}", "1 2 3 $3", 0},
      {u"{5}", "5 $1", 0},
      {u"{1,{2,3}}", "1 2 3 $2 $2", 0},
      {u"NormalPdf(1,0,1)", "1 0 1 NormalPdf/3", 0},
      {u"nCr(5,2)", "5 2 nCr/2", 0},
      {u"nCr(5)", "5 nCr/1", 0},
      {u"atan2(1+1,2*3)", "1 1 + 2 3 * atan2/2", 0},
      {u"wave(1,2,3)+1", "1 2 3 wave/3 1 +", 0},
      {u"sin(2,3)", "2 3 sin/2", 0},
      {u"(1,2)", "1 2", 0},
  });
}

TEST(ParserTest, Indexes) {
  CheckRows({
      {u"x[1]", "x 1 fn122/1", 0},
      {u"x[1][2]", "x 1 fn122/1 2 fn122/1", 0},
      {u"x[1", "x 1 [", 0},
      {u"[1]", nullptr, kParseMalformed},
      {u"x[1[2]]", nullptr, kParseMalformed},
      {u"x[1]]", nullptr, kParseNoOpenIndex},
      {u"1]", nullptr, kParseNoOpenIndex},
  });
}

TEST(ParserTest, FailureCodes) {
  CheckRows({
      {u"", nullptr, kParseEmpty},
      {u"2+", nullptr, kParseOperandCount},
      {u"+2", nullptr, kParseOperandCount},
      {u"   ", nullptr, kParseOperandCount},
      {u"()", nullptr, kParseOperandCount},
      {u"2*", nullptr, kParseOperandCount},
      {u",1", nullptr, kParseMalformed},
      {u"1,2", nullptr, kParseMalformed},
      {u"(1}", nullptr, kParseMalformed},
      {u")", nullptr, kParseUnbalanced},
      {u"1)", nullptr, kParseUnbalanced},
      {u"}", nullptr, kParseUnbalanced},
      {u"(1))", nullptr, kParseUnbalanced},
  });
}

// Units outside the input alphabet are rejected rather than read as a
// number: "2*$" must not come out as 2*0.
TEST(ParserTest, UnitsOutsideTheAlphabetFail) {
  const std::u16string strangers = u"@#$%&?;:\"<>\\`|~\t\n\r";
  for (char16_t c : strangers) {
    CheckRows({
        {std::u16string(1, c), nullptr, kParseMalformed},
        {u"2*" + std::u16string(1, c), nullptr, kParseMalformed},
        {std::u16string(1, c) + u"+1", nullptr, kParseMalformed},
    });
  }
  for (char16_t c : {u'\u0081', u'\u0082', u'\u0088', u'\u00A0', u'\u00B2', u'\u00D7', u'\u00DB',
                     u'\u0100', u'\u03C0', static_cast<char16_t>(0xD800), u'\uFFFF'}) {
    CheckRows({{u"1+" + std::u16string(1, c), nullptr, kParseMalformed}});
  }
  // The letters of the upper half, the e sign still excepted from them.
  CheckRows({
      {u"\u00DE", "<u222>", 0},
      {u"\u00FFa", "<u255>a", 0},
      {u"a\u00DC", nullptr, kParseOperandCount},
  });
}

// A closing bracket whose innermost opener is of the other kind fails
// rather than removing the wrong opener.
TEST(ParserTest, CrossedBracketsFail) {
  CheckRows({
      {u"(x[1)]", nullptr, kParseUnbalanced},
      {u"x[(1]", nullptr, kParseUnbalanced},
      {u"x[{1]", nullptr, kParseUnbalanced},
      {u"{x[1}", nullptr, kParseUnbalanced},
      {u"(x[1", nullptr, kParseUnbalanced},
      {u"x[1,2]", nullptr, kParseMalformed},
      {u"sin(x[1,2])", nullptr, kParseMalformed},
      {u"x[sin(1,2)]", "x 1 2 sin/2 fn122/1", 0},
  });
}

TEST(ParserTest, DeepNestingStaysIterative) {
  constexpr int kDepth = 10000;
  std::u16string text(kDepth, u'(');
  text += u"1";
  text.append(kDepth, u')');
  Parser parser;
  TokenList tokens;
  ASSERT_TRUE(parser.Parse(text.c_str(), tokens));
  EXPECT_EQ(RenderTokens(tokens), "1");

  std::u16string unclosed(kDepth, u'(');
  unclosed += u"2";
  ASSERT_TRUE(parser.Parse(unclosed.c_str(), tokens));
  EXPECT_EQ(RenderTokens(tokens), "2");

  std::u16string calls;
  for (int i = 0; i < kDepth; ++i) calls += u"sin(";
  calls += u"1";
  ASSERT_TRUE(parser.Parse(calls.c_str(), tokens));
  EXPECT_EQ(tokens.size(), static_cast<size_t>(kDepth + 1));
}

TEST(ParserTest, ParserIsReusableAfterFailure) {
  Parser parser;
  TokenList tokens;
  EXPECT_FALSE(parser.Parse(u"(1))", tokens));
  EXPECT_EQ(parser.ErrorCode(), kParseUnbalanced);
  ASSERT_TRUE(parser.Parse(u"sin(1)", tokens));
  EXPECT_EQ(RenderTokens(tokens), "1 sin/1");
  EXPECT_EQ(parser.ErrorCode(), -1);
  EXPECT_FALSE(Parse(parser, nullptr, tokens));
  EXPECT_EQ(ErrorCode(parser), kParseEmpty);
}

TEST(ParserTest, OperatorPrecedences) {
  struct P {
    int32_t code;
    int32_t precedence;
  };
  const P rows[] = {
      {'=', 0}, {'$', 0}, {'#', 0}, {'+', 1}, {'-', 1}, {'*', 2}, {'/', 2}, {'^', 3},
      {338, 3}, {339, 3}, {340, 3}, {0x80, 4}, {'@', 5}, {'!', 6}, {256, 6}, {256 + 66, 6},
      {378, 6}, {'(', 7}, {'[', 7},
  };
  for (const P& row : rows) {
    SCOPED_TRACE(row.code);
    EXPECT_EQ(OperatorPrecedence(row.code), row.precedence);
  }
}

}  // namespace
}  // namespace abacine
