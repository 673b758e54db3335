#include "engine/parser.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "engine_support.h"

namespace abacine {
namespace {

using test::RenderTokens;
using test::S;

struct Row {
  std::u16string text;
  const char* postfix;  // expected rendering; null when the parse must fail
  int32_t error = 0;    // expected code when it fails
};

void CheckRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE("text: " + test::Narrow(row.text));
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

TEST(ParserTest, OrderOfOperations) {
  CheckRows({
      {u"2+3", "2 3 +"},                              {u"sin(30)", "30 sin/1"},
      {u"2*3+4", "2 3 * 4 +"},                        {u"2+3*4", "2 3 4 * +"},
      {u"7-2-1", "7 2 - 1 -"},                        {u"1=2", "1 2 ="},
      {u"  12.5  ", "12.5"},                          {u"sin(30)+1", "30 sin/1 1 +"},
      {u"sin(cos(0))", "0 cos/1 sin/1"},              {u"2^3^2", "2 3 2 ^ ^"},
      {u"(2^3)^2", "2 3 ^ 2 ^"},                      {u"2^(3)^2", "2 3 ^ 2 ^"},
      {u"2^3*4", "2 3 ^ 4 *"},                        {S(u"2", kExponentSign, u"3^2"), "2 3 E 2 ^"},
      {S(u"2^3", kExponentSign, u"2"), "2 3 2 E ^"},  {u"5!", "5 !"},
      {u"3!^2", "3 ! 2 ^"},                           {u"2^3!", "2 3 ! ^"},
      {u"x'", "x fn83/1"},                            {u"x''", "x fn84/1"},
      {S(u"x", kPrimeSign), "x fn82/1"},              {u"{1,2,3}", "1 2 3 $3"},
      {u"{5}", "5 $1"},                               {u"{1,{2,3}}", "1 2 3 $2 $2"},
      {u"NormalPdf(1,0,1)", "1 0 1 NormalPdf/3"},     {u"nCr(5)", "5 nCr/1"},
      {u"atan2(1+1,2*3)", "1 1 + 2 3 * atan2/2"},     {u"sin(2,3)", "2 3 sin/2"},
      {u"(1,2)", "1 2"},                              {u"x[1]", "x 1 fn122/1"},
      {u"x[1][2]", "x 1 fn122/1 2 fn122/1"},          {u"x[1", "x 1 ["},
      {u"x[sin(1,2)]", "x 1 2 sin/2 fn122/1"},
      // Literals: no 'e' exponent, and only the signs are constants.
      {u"5.", "5."},       {u".5", ".5"},         {u"007", "007"},
      {u"2e3", "2 e3 *"},  {u"e", "e"},           {S(kESign), "<e>"},
      {u"pi", "pi"},       {S(kPiSign), "<pi>"},
      // A missing ')' at the end is supplied.
      {u"sin(30", "30 sin/1"},  {u"Sin(30)", "Sin 30 *"},  {u"sinh(1)", "1 sinh/1"},
      {u"si(1)", "si 1 *"},
  });
}

TEST(ParserTest, ImpliedTimes) {
  CheckRows({
      {u"2(3)", "2 3 *"},                         {u"(2)(3)", "2 3 *"},
      {u"2sin(30)", "2 30 sin/1 *"},              {u"x(2)", "x 2 *"},
      {S(u"2", kPiSign), "2 <pi> *"},             {S(kPiSign, u"2"), "<pi> 2 *"},
      {S(kPiSign, kESign), "<pi> <e> *"},         {S(u"2", kSquareSign, u"(3)"), "2 2 ^ 3 *"},
      {S(u"2", kSquareSign, u"3"), "2 2 ^ 3 *"},  {S(u"2", kReciprocalSign), "2 -1 ^"},
      {u"(2)3", "2 3 *"},                         {u"(1)x", "1 x *"},
      {u"2{1}", "2 1 $1 *"},                      {u"{1}{2}", "1 $1 2 $1 *"},
      {S(u"2", kPlaceholderSign), "2 # *"},       {S(kPlaceholderSign, u"2"), "# 2 *"},
      {S(u"(1)", kPlaceholderSign), "1 # *"},     {S(u"2", kRootSign, u"(4)"), "2 4 sqrt/1 *"},
      {S(kRootSign, u"(4)"), "4 sqrt/1"},         {S(kIntegralSign, u"(4)"), "4 Integrate/1"},
      {u"xy", "xy"},                              {u"x y", "x y *"},
  });
}

// A '-' is unary at the start and after an operator, '(' or ','; after a
// complete operand it subtracts, also where the operand ends in ')', ']',
// '!' or a prime, and a '-' after leading blanks negates.
TEST(ParserTest, UnaryAndBinaryMinus) {
  CheckRows({
      {u"-2^2", "2 2 ^ @"},                          {u"--2", "2 @ @"},
      {u"2^-2", "2 2 @ ^"},                          {u"2^-2^2", "2 2 2 ^ @ ^"},
      {u"(-2)", "2 @"},                              {u"2--3", "2 3 @ -"},
      {u"nPr(5,-2)", "5 2 @ nPr/2"},                 {S(u"2", kExponentSign, u"-3"), "2 3 @ E"},
      {u"-2*3", "2 @ 3 *"},                          {u"-3!", "3 ! @"},
      {u"x-1", "x 1 -"},                             {S(kPlaceholderSign, u"-1"), "# 1 -"},
      {u"{1}-1", "1 $1 1 -"},                        {u"sin(30)-1", "30 sin/1 1 -"},
      {S(u"2", kSquareSign, u"-1"), "2 2 ^ 1 -"},    {S(kPiSign, u"-1"), "<pi> 1 -"},
      {u"3!-1", "3 ! 1 -"},                          {u"(2!)-1", "2 ! 1 -"},
      {u" -3", "3 @"},                               {u"2 -3", "2 3 -"},
      {u"x[1]-2", "x 1 fn122/1 2 -"},                {u"x'-1", "x fn83/1 1 -"},
      {S(u"x", kPrimeSign, u"-1"), "x fn82/1 1 -"},
  });
}

TEST(ParserTest, FailureCodes) {
  CheckRows({
      {u"", nullptr, kParseEmpty},                     {u"2+", nullptr, kParseOperandCount},
      {u"+2", nullptr, kParseOperandCount},            {u"   ", nullptr, kParseOperandCount},
      {u"()", nullptr, kParseOperandCount},            {u"2 3", nullptr, kParseOperandCount},
      {u"3!2", nullptr, kParseOperandCount},           {u",1", nullptr, kParseMalformed},
      {u"(1}", nullptr, kParseMalformed},              {u")", nullptr, kParseUnbalanced},
      {u"}", nullptr, kParseUnbalanced},               {u"(1))", nullptr, kParseUnbalanced},
      {u"1.2.3", nullptr, kParseMalformed},            {u".", nullptr, kParseMalformed},
      {u"[1]", nullptr, kParseMalformed},              {u"x[1[2]]", nullptr, kParseMalformed},
      {u"x[1]]", nullptr, kParseNoOpenIndex},          {u"sin 30", nullptr, kParseBareBuiltin},
      {u"sin", nullptr, kParseBareBuiltin},            {S(kRootSign, u"4"), nullptr, kParseMalformed},
      {S(u"2", kRootSign), nullptr, kParseMalformed},
      // A closing bracket whose innermost opener is of the other kind fails
      // rather than removing the wrong opener.
      {u"(x[1)]", nullptr, kParseUnbalanced},  {u"x[(1]", nullptr, kParseUnbalanced},
      {u"(x[1", nullptr, kParseUnbalanced},    {u"x[1,2]", nullptr, kParseMalformed},
      // No input line comes near a million units; longer texts are refused.
      {std::u16string((1 << 20) + 1, u'1'), nullptr, kParseMalformed},
  });
}

// Units outside the input alphabet are rejected rather than read as a
// number: "2*$" must not come out as 2*0.
// Every token knows the text index it came from (a call: its name; an
// operator: its sign), and a failure the unit being read, or the length for
// one found at the end.
TEST(ParserTest, TokensAndFailuresKnowTheirPlace) {
  Parser parser;
  TokenList tokens;
  ASSERT_TRUE(parser.Parse(u"12+sin(3)*x!", tokens));
  std::string places;
  for (const Token& token : tokens) places += std::to_string(token.position) + " ";
  EXPECT_EQ(RenderTokens(tokens), "12 3 sin/1 x ! * +");
  EXPECT_EQ(places, "0 7 3 10 11 9 2 ");
  EXPECT_EQ(parser.ErrorPosition(), -1);
  const std::tuple<const char16_t*, int32_t, int32_t> rows[] = {
      {u"", kParseEmpty, -1},       {u"2+", kParseOperandCount, 2},  {u"(1+2))", kParseUnbalanced, 5},
      {u"x[1]]", kParseNoOpenIndex, 4}, {u"1+1.2.3", kParseMalformed, 2}, {u"  sin 30", kParseBareBuiltin, 2},
      {u"1,2", kParseMalformed, 1}, {u"2+\u221A", kParseMalformed, 2},
  };
  for (const auto& [text, code, position] : rows) {
    SCOPED_TRACE(test::Narrow(text));
    EXPECT_FALSE(parser.Parse(text, tokens));
    EXPECT_EQ(parser.ErrorCode(), code);
    EXPECT_EQ(parser.ErrorPosition(), position);
  }
}

TEST(ParserTest, UnitsOutsideTheAlphabetFail) {
  for (char16_t c : std::u16string(u"@#$%&?;:\"<>\\`|~\t\n\r")) {
    const std::u16string unit(1, c);
    CheckRows({{unit, nullptr, kParseMalformed}, {u"2*" + unit, nullptr, kParseMalformed},
               {unit + u"+1", nullptr, kParseMalformed}});
  }
  for (char16_t c : {u'\u0081', u'\u0082', u'\u0088', u'\u00A0', u'\u00B2', u'\u00D7', u'\u00DB',
                     u'\u0100', u'\u03C0', static_cast<char16_t>(0xD800), u'\uFFFF'}) {
    CheckRows({{u"1+" + std::u16string(1, c), nullptr, kParseMalformed}});
  }
  // The letters of the upper half, the e sign still excepted from them.
  CheckRows({{u"\u00DE", "<u222>"}, {u"\u00FFa", "<u255>a"}, {u"a\u00DC", nullptr, kParseOperandCount}});
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
  const int32_t rows[][2] = {
      {'=', 0}, {'$', 0}, {'#', 0}, {'+', 1}, {'-', 1},  {'*', 2},      {'/', 2},
      {'^', 3}, {338, 3}, {339, 3}, {340, 3}, {0x80, 4}, {'@', 5},      {'!', 6},
      {256, 6}, {322, 6}, {378, 6}, {'(', 7}, {'[', 7},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row[0]);
    EXPECT_EQ(OperatorPrecedence(row[0]), row[1]);
  }
}

}  // namespace
}  // namespace abacine
