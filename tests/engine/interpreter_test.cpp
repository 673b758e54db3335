#include "engine/interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <tuple>

#include "engine_support.h"
#include "numeric/constants.h"

namespace abacine {
namespace {

using test::CheckEval;
using test::S;

// Operator orders are the parser's; these are the values the engine gives.
// Only the final value must be finite: 1/(1/0) is 0.
TEST(InterpreterTest, Values) {
  CheckEval({
      {u"2+3", 5, 0},                            {u"2^10", 1024, 0},
      {u"7/2", 3.5, 0},                          {u"-2^2", -4, 0},
      {S(u"2", kExponentSign, u"3"), 2000, 0},   {S(u"1.5", kExponentSign, u"-3"), 0.0015, 0},
      {S(u"3", kSquareSign), 9, 0},              {S(u"4", kReciprocalSign), 0.25, 0},
      {u"1/(1/0)", 0, 0},                        {u"0.1+0.2", 0.30000000000000004, 0},
      {u"pi", 3.141592653589793, 0},             {S(kPiSign), 3.141592653589793, 0},
      {S(u"2", kPiSign), 6.283185307179586, 0},  {u"2pi", 6.283185307179586, 0},
      {S(kESign), 2.718281828459045, 0},         {S(kESign, u"^(2)"), 7.3890560989306495, 0},
  });
}

// '!' of a whole number is exact, so what rounds or compares it sees the
// integer: floor(3!) is 6, not 5, and 3!-6 is 0, not -8.9e-16.
TEST(InterpreterTest, Factorials) {
  CheckEval({
      {u"5!", 120, 0},           {u"0!", 1, 0},              {u"3!-1", 5, 0},
      {u"(2!)-1", 1, 0},         {u"-3!", -6, 0},            {u"3!-6", 0, 0},
      {u"floor(3!)", 6, 0},      {u"floor(7!)", 5040, 0},    {u"ceiling(5!)", 120, 0},
      {u"GCD(3!,4)", 2, 0},      {u"LCM(4!,10)", 120, 0},    {u"22!", 1124000727777607680000.0, 0},
      {u"170!", 7.257415615307998967e306, 0},                {u"171!", 0, kEvalNotFinite},
      {u"nCr(52,5)", 2598960, 0}, {u"nCr(60,30)", 118264581564861424.0, 0},
      {u"nPr(20,10)", 670442572800, 0},                      {u"nPr(5,0)", 1, 0},
      // A negative count has no meaning, like other meaningless arguments.
      {u"nPr(5,-1)", 0, kEvalNoMeaning},  {u"nCr(5,-1)", 0, kEvalNoMeaning},
      {u"nPr(5,-0.5)", 0, kEvalNoMeaning}, {u"nCr(-3,-5)", 0, kEvalNoMeaning},
      {u"nCr(5.5,2)", 12.375, 0},         {u"nPr(-3,2)", 0, 0},
  });
}

// The exact scale factors; grads read back with one unit in the last place
// above the nearest double to 200/pi. Other modes convert nothing.
TEST(InterpreterTest, AngleConversions) {
  // mode, x and ToRadians(x), y and FromRadians(y)
  const std::tuple<int32_t, double, double, double, double> rows[] = {
      {Degrees, 180, 180 * 0.017453292519943295, 1, 57.29577951308232},
      {Grads, 200, 200 * 0.015707963267948967, 1, 63.66197723675814},
      {5, 3, 3, 3, 3},
  };
  for (const auto& [mode, x, radians, y, units] : rows) {
    SetAngleMode(mode);
    EXPECT_EQ(ToRadians(x), radians) << mode;
    EXPECT_EQ(FromRadians(y), units) << mode;
  }
  SetAngleMode(Radians);
}

TEST(InterpreterTest, FailureCodes) {
  CheckEval({
      // Parse failures pass through.
      {u"", 0, 16},       {u"2+", 0, 1},   {u"]", 0, 3},
      {u"1.2.3", 0, 4},   {u"2*$", 0, 4},  {u"(1))", 0, 5},
      {u"sin 30", 0, 6},
      // The final value is not finite; a very long literal overflows.
      {u"1/0", 0, kEvalNotFinite},       {u"ln(0)", 0, kEvalNotFinite},
      {u"sqrt(-1)", 0, kEvalNotFinite},  {u"asin(2)", 0, kEvalNotFinite},
      {u"10^400", 0, kEvalNotFinite},    {u"(-1)!", 0, kEvalNotFinite},
      {u"0/0", 0, kEvalNotFinite},       {u"1" + std::u16string(400, u'0'), 0, kEvalNotFinite},
      // Names without values; the letter e is not Euler's number.
      {u"x+1", 0, kEvalNoValue},                      {u"e^(2)", 0, kEvalNoValue},
      {u"abc", 0, kEvalNoValue},                      {u"Sin(30)", 0, kEvalNoValue},
      {u"pie", 0, kEvalNoValue},                      {S(kPlaceholderSign), 0, kEvalNoValue},
      {S(kPlaceholderSign, u"-1"), 0, kEvalNoValue},
      // Marks, lists, '=' and names without a numeric meaning give no answer
      // instead of passing their argument through.
      {u"Integrate(4)", 0, kEvalNoMeaning},      {S(kIntegralSign, u"(4)"), 0, kEvalNoMeaning},
      {u"D(2)", 0, kEvalNoMeaning},              {u"Det(1,2)", 0, kEvalNoMeaning},
      {u"2'", 0, kEvalNoMeaning},                {u"2''", 0, kEvalNoMeaning},
      {S(u"2", kPrimeSign), 0, kEvalNoMeaning},  {u"{1,2,3}", 0, kEvalNoMeaning},
      {u"{5}", 0, kEvalNoMeaning},               {u"2=3", 0, kEvalNoMeaning},
      {u"(1,2)", 0, kEvalNoMeaning},             {u"pi[1]", 0, kEvalNoMeaning},
      {u"pi[1", 0, kEvalNoMeaning},
      // Argument counts must fit; a prime steals the enclosing call's count.
      {u"sin(2,3)", 0, kEvalNoMeaning},                      {u"nCr(5)", 0, kEvalNoMeaning},
      {u"nCr(5,2,1)", 0, kEvalNoMeaning},                    {u"wave(1)", 0, kEvalNoMeaning},
      {u"NormalPdf(1,2)", 0, kEvalNoMeaning},                {u"NormalCdf(1)", 0, kEvalNoMeaning},
      {u"NormalCdf(1,2,3)", 0, kEvalNoMeaning},              {u"InverseNormal(0.5,1)", 0, kEvalNoMeaning},
      {u"BinomialPdf(10,0.5)", 0, kEvalNoMeaning},           {u"FCdf(1,2,3)", 0, kEvalNoMeaning},
      {u"GeoPdf(1,2,3,4,5,6,7,8,9,10)", 0, kEvalNoMeaning},  {u"GCD(12)", 0, kEvalNoMeaning},
      {u"exp(1,2)", 0, kEvalNoMeaning},                      {u"sin(2')", 0, kEvalNoMeaning},
      {u"nCr(5,2')", 0, kEvalNoMeaning},
  });
  double result = 0;
  int32_t error = 0;
  EXPECT_FALSE(Evaluate(nullptr, result, error));
  EXPECT_EQ(error, 16);
}

// Where each stage's failure is to blame: the parser's place, the name the
// compiler rejects, the call, variable, sign or operator the run stops at;
// none for an empty text, a value that is not finite (which it reports) or
// several values left.
TEST(InterpreterTest, FailuresSayWhere) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  const std::tuple<const char16_t*, int32_t, int32_t> rows[] = {
      {u"", 16, -1},                {u"2+", 1, 2},               {u"(1+2))", 5, 5},
      {u"2+$", 4, 2},               {u"2*log(3)", 4, 2},         {u"1+x", 4, 2},
      {u"2+\u00DD", 4, 2},           {u"nCr(5,-1)", 19, 0},       {u"2+GCD(1.5,2)", 19, 2},
      {u"2=3", 19, 1},              {u"{1,2}", 19, 4},           {u"(1,2)", 19, -1},
      {u"2'", 19, 1},               {u"pi[1]", 19, 4},           {u"1/0", 18, -1},
      {u"2+3", 0, -1},
  };
  for (const auto& [text, code, position] : rows) {
    SCOPED_TRACE(test::Narrow(text));
    double result = 0;
    EvalFailure failure;
    EXPECT_EQ(Evaluate(text, result, failure), code == 0);
    EXPECT_EQ(failure.code, code);
    EXPECT_EQ(failure.position, position);
  }
  double result = 0;
  EvalFailure failure;
  EXPECT_FALSE(Evaluate(u"1/0", result, failure));
  EXPECT_EQ(failure.value, kInf);
  EXPECT_FALSE(Evaluate(u"0/0", result, failure));
  EXPECT_TRUE(std::isnan(failure.value));
}

// A call or operator that finds too few values reads nothing below the
// stack, and an empty program has no value.
TEST(InterpreterTest, StackIsNeverReadBeyondItsBottom) {
  Evaluator evaluator;
  evaluator.stack.push_back(1);
  const int32_t calls[][2] = {{kIdNCr, 2}, {kIdNCr, 100000}, {kIdSin, 0}, {kIdSin, -3}};
  for (const auto& call : calls) EXPECT_FALSE(ApplyFunction(evaluator, call[0], call[1]));
  ASSERT_EQ(evaluator.stack.size(), 1u);
  EXPECT_TRUE(ApplyFunction(evaluator, kIdSin, 1));
  EXPECT_EQ(evaluator.stack.back(), std::sin(1.0));

  const Instruction programs[] = {
      {OperatorInstr, '+', 1, 0}, {OperatorInstr, kOpUnaryMinus, 1, 0}, {CallInstr, kIdNormalCdf, 4, 0}};
  for (const Instruction& program : programs) {
    Evaluator run;
    run.program.push_back(program);
    double result = 0;
    EXPECT_FALSE(abacine::Run(run, result));
    EXPECT_EQ(run.errorCode, kEvalNoMeaning);
  }
  Evaluator nothing;
  double result = 0;
  EXPECT_FALSE(abacine::Run(nothing, result));
  EXPECT_EQ(nothing.errorCode, kEvalNoMeaning);
}

TEST(InterpreterTest, ApplyBinaryCodes) {
  const std::tuple<double, int32_t, double, bool, double> rows[] = {
      {2, '+', 3, true, 5},   {2, '-', 3, true, -1},     {2, '*', 3, true, 6},    {3, '/', 2, true, 1.5},
      {2, '^', 0.5, true, std::pow(2.0, 0.5)},           {2, kExponentSign, 3, true, 2000},
      {2, '=', 3, false, 2},  {2, kOpListEnd, 3, false, 2}, {2, '(', 3, false, 2}, {2, '[', 3, false, 2},
      // Powers of ten outside the normal range still scale values that fit.
      {4.9406564584, kExponentSign, -324, true, std::numeric_limits<double>::denorm_min()},
      {1, kExponentSign, -400, true, 0},
      {0.0001, kExponentSign, 310, true, 0.0001 * 1e155 * 1e155},
      {10, kExponentSign, 308, true, HUGE_VAL},
  };
  for (const auto& [start, code, right, ok, want] : rows) {
    SCOPED_TRACE(testing::Message() << start << " " << code << " " << right);
    double left = start;
    EXPECT_EQ(ApplyBinary(left, code, right), ok);
    EXPECT_EQ(left, want);
  }
}

TEST(InterpreterTest, NumberTexts) {
  const std::tuple<std::u16string, double> rows[] = {
      {u"12.5", 12.5},  {u"5.", 5},   {u".5", 0.5},  {u"-1", -1},     {u"007", 7},
      {u"", 0},         {u"abc", 0},  {u"3x", 3},    {u"0.1", 0.1},   {std::u16string(1, kPiSign), kPi},
      {std::u16string(1, kESign), kE},               {u"123456789012345678901234567890", 1.2345678901234568e29},
      {u"0." + std::u16string(400, u'0') + u"1", 0}, {u"1" + std::u16string(400, u'0'), HUGE_VAL},
      {u"0.000000000000000000001", 1e-21},
  };
  for (const auto& [text, value] : rows) {
    SCOPED_TRACE(test::Narrow(text));
    EXPECT_EQ(NumberValue(text), value);
  }
}

// A text with its length is read to that length: a NUL inside it is a unit
// the calculator does not know, not the end, and nothing past the length is
// read.
TEST(InterpreterTest, ExplicitLengthReadsEveryUnit) {
  using namespace std::string_view_literals;
  // The longest text the parser takes: zeros, then a 7.
  const std::u16string longest = std::u16string(kMaxInputLength - 1, u'0') + u"7";
  const struct {
    std::u16string_view text;
    int32_t code, position;
    double value;
  } rows[] = {
      {u"2+3\0garbage"sv, 4, 3, 0},  {u"\0"sv, 4, 0, 0},         {u"2+3\0"sv, 4, 3, 0},
      {u"\0" u"2+3"sv, 4, 0, 0},     {u"(1+\0)"sv, 4, 3, 0},      {u"sin\0(1)"sv, 6, 0, 0},
      {u"2+34"sv.substr(0, 3), 0, -1, 5},  {u"2+3"sv.substr(0, 0), 16, -1, 0},
      {longest, 0, -1, 7},        {std::u16string_view(longest).substr(1), 0, -1, 7},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(test::Narrow(row.text.substr(0, 20)) + " (" + std::to_string(row.text.size()) + " units)");
    double result = -1;
    EvalFailure failure;
    EXPECT_EQ(Evaluate(row.text, result, failure), row.code == 0);
    EXPECT_EQ(failure.code, row.code);
    EXPECT_EQ(failure.position, row.position);
    if (row.code == 0) {
      EXPECT_EQ(result, row.value);
    }
    int32_t error = -1;
    EXPECT_EQ(Evaluate(row.text, result, error), row.code == 0);
    EXPECT_EQ(error, row.code);
  }
  // One unit more than the parser takes has no place to blame.
  const std::u16string over = u"0" + longest;
  double result = 0;
  EvalFailure failure;
  EXPECT_FALSE(Evaluate(std::u16string_view(over), result, failure));
  EXPECT_EQ(failure.code, 4);
  EXPECT_EQ(failure.position, -1);
}

// Nesting 10000 deep neither recurses nor overruns.
TEST(InterpreterTest, DeepNestingEvaluates) {
  constexpr int kDepth = 10000;
  std::u16string calls;
  std::u16string powers;
  for (int i = 0; i < kDepth; ++i) {
    calls += u"abs(";
    powers += u"1^";
  }
  CheckEval({
      {std::u16string(kDepth, u'(') + u"7" + std::u16string(kDepth, u')'), 7, 0},
      {std::u16string(kDepth, u'(') + u"7", 7, 0},
      {std::u16string(kDepth, u'-') + u"1", 1, 0},
      {calls + u"-2" + std::u16string(kDepth, u')'), 2, 0},
      {calls + u"-2", 2, 0},
      {powers + u"1", 1, 0},
  });
}

}  // namespace
}  // namespace abacine
