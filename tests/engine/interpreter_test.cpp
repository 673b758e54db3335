#include "engine/interpreter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "engine/builtin_table.h"
#include "engine/signs.h"
#include "eval_helpers.h"
#include "numeric/constants.h"

namespace abacine {
namespace {

using test::EvalRow;
using test::EvalTest;

template <typename... Pieces>
std::u16string S(Pieces... pieces) {
  std::u16string out;
  ((out += pieces), ...);
  return out;
}

using InterpreterTest = EvalTest;

TEST_F(InterpreterTest, Arithmetic) {
  CheckExact({
      {u"2+3", 5, 0},
      {u"2^10", 1024, 0},
      {u"7/2", 3.5, 0},
      {S(u"2", kExponentSign, u"3"), 2000, 0},
      {S(u"1.5", kExponentSign, u"-3"), 0.0015, 0},
      {u"2+3*4", 14, 0},
      {u"(2+3)*4", 20, 0},
      {u"2^3^2", 512, 0},
      {u"(2^3)^2", 64, 0},
      {u"-2^2", -4, 0},
      {u"2^-2", 0.25, 0},
      {u"--2", 2, 0},
      {u"2--3", 5, 0},
      {u"10-4-3", 3, 0},
      {u"2(3)", 6, 0},
      {u"(2)(3)", 6, 0},
      {S(u"3", kSquareSign), 9, 0},
      {S(u"4", kReciprocalSign), 0.25, 0},
      {S(u"3", kSquareSign, u"(2)"), 18, 0},
      {u"1/(1/0)", 0, 0},
      {u"0.1+0.2", 0.30000000000000004, 0},
      {u"5.", 5, 0},
      {u".5", 0.5, 0},
      {u"007", 7, 0},
      {u"sin(0)+1", 1, 0},
  });
}

// '!' is Gamma(x + 1) through pow(e, ln Gamma): whole factorials come out
// within a few units in the last place, which the answer's ten digits hide.
TEST_F(InterpreterTest, Factorials) {
  Check(
      {
          {u"5!", 120, 0},
          {u"0!", 1, 0},
          {u"3!-1", 5, 0},
          {u"(2!)-1", 1, 0},
          {u"-3!", -6, 0},
          {u"3!^2", 36, 0},
      },
      16);
}

TEST_F(InterpreterTest, Constants) {
  CheckExact({
      {u"pi", 3.141592653589793, 0},
      {S(kPiSign), 3.141592653589793, 0},
      {S(u"2", kPiSign), 6.283185307179586, 0},
      {S(kPiSign, u"2"), 6.283185307179586, 0},
      {S(kESign), 2.718281828459045, 0},
      {S(kESign, u"^(2)"), 7.3890560989306495, 0},
      {u"2pi", 6.283185307179586, 0},
  });
}

// The road of "sin(30)": degrees give the rounded half, radians sin(30).
TEST_F(InterpreterTest, AngleModes) {
  CheckExact({
      {u"sin(30)", 0.49999999999999994, 0, Degrees},
      {u"sin(30)", -0.9880316240928618, 0, Radians},
      {u"asin(1)", 90, 0, Degrees},
      {u"asin(1)", 100, 0, Grads},
      {u"asin(1)", 1.5707963267948966, 0, Radians},
      {u"sin(30)", -0.9880316240928618, 0, 7},
      {u"asin(1)", 1.5707963267948966, 0, -1},
  });
}

TEST_F(InterpreterTest, AngleConversions) {
  SetAngleMode(Degrees);
  EXPECT_EQ(GetAngleMode(), Degrees);
  EXPECT_EQ(ToRadians(180), 180 * 0.017453292519943295);
  EXPECT_EQ(FromRadians(1), 57.29577951308232);
  SetAngleMode(Grads);
  EXPECT_EQ(ToRadians(200), 200 * 0.015707963267948967);
  EXPECT_EQ(FromRadians(1), 63.66197723675814);
  SetAngleMode(5);
  EXPECT_EQ(GetAngleMode(), 5);
  EXPECT_EQ(ToRadians(3), 3);
  EXPECT_EQ(FromRadians(3), 3);
}

TEST_F(InterpreterTest, NonFiniteResultsFail) {
  CheckExact({
      {u"1/0", 0, kEvalNotFinite},
      {u"ln(0)", 0, kEvalNotFinite},
      {u"sqrt(-1)", 0, kEvalNotFinite},
      {u"asin(2)", 0, kEvalNotFinite},
      {u"10^400", 0, kEvalNotFinite},
      {u"(-1)!", 0, kEvalNotFinite},
      {u"0/0", 0, kEvalNotFinite},
      {u"1" + std::u16string(400, u'0'), 0, kEvalNotFinite},
  });
}

TEST_F(InterpreterTest, NamesWithoutValues) {
  CheckExact({
      {u"x+1", 0, kEvalNoValue},
      {u"e^(2)", 0, kEvalNoValue},
      {u"abc", 0, kEvalNoValue},
      {u"Sin(30)", 0, kEvalNoValue},
      {u"pie", 0, kEvalNoValue},
      {S(kPlaceholderSign), 0, kEvalNoValue},
      {S(u"2+", kPlaceholderSign), 0, kEvalNoValue},
      {S(kPlaceholderSign, u"-1"), 0, kEvalNoValue},
  });
}

TEST_F(InterpreterTest, ParseFailuresPassThrough) {
  CheckExact({
      {u"", 0, 16},
      {u"2+", 0, 1},
      {u"]", 0, 3},
      {u"1.2.3", 0, 4},
      {u"2*$", 0, 4},
      {u"(1))", 0, 5},
      {u"sin 30", 0, 6},
  });
  double result = 0;
  int32_t error = 0;
  EXPECT_FALSE(Evaluate(nullptr, result, error));
  EXPECT_EQ(error, 16);
}

// The parse changes that let a '-' follow a complete operand.
TEST_F(InterpreterTest, MinusAfterCompleteOperands) {
  CheckExact({
      {u" -3", -3, 0},
      {u"  -3+1", -2, 0},
      {u"sin(0)-1", -1, 0},
  });
}

// Marks, lists, '=' and names without a numeric meaning give no answer
// instead of passing their argument through.
TEST_F(InterpreterTest, NoNumericMeaningFails) {
  CheckExact({
      {u"Integrate(4)", 0, kEvalNoMeaning},
      {S(kIntegralSign, u"(4)"), 0, kEvalNoMeaning},
      {u"Sum(1)", 0, kEvalNoMeaning},
      {u"D(2)", 0, kEvalNoMeaning},
      {u"Det(1,2)", 0, kEvalNoMeaning},
      {u"Solve(1)", 0, kEvalNoMeaning},
      {u"2'", 0, kEvalNoMeaning},
      {u"2''", 0, kEvalNoMeaning},
      {S(u"2", kPrimeSign), 0, kEvalNoMeaning},
      {u"{1,2,3}", 0, kEvalNoMeaning},
      {u"{5}", 0, kEvalNoMeaning},
      {u"2=3", 0, kEvalNoMeaning},
      {u"(1,2)", 0, kEvalNoMeaning},
      {u"sin((1,2))", 0, kEvalNoMeaning},
      {u"pi[1]", 0, kEvalNoMeaning},
      {u"pi[1", 0, kEvalNoMeaning},
  });
}

TEST_F(InterpreterTest, ArgumentCountsMustFit) {
  CheckExact({
      {u"sin(2,3)", 0, kEvalNoMeaning},
      {u"nCr(5)", 0, kEvalNoMeaning},
      {u"nCr(5,2,1)", 0, kEvalNoMeaning},
      {u"wave(1)", 0, kEvalNoMeaning},
      {u"wave(1,2)", 0, kEvalNoMeaning},
      {u"NormalPdf(1,2)", 0, kEvalNoMeaning},
      {u"NormalPdf(1,2,3,4)", 0, kEvalNoMeaning},
      {u"NormalCdf(1)", 0, kEvalNoMeaning},
      {u"NormalCdf(1,2,3)", 0, kEvalNoMeaning},
      {u"InverseNormal(0.5,1)", 0, kEvalNoMeaning},
      {u"BinomialPdf(10,0.5)", 0, kEvalNoMeaning},
      {u"FCdf(1,2,3)", 0, kEvalNoMeaning},
      {u"GeoPdf(1,2,3,4,5,6,7,8,9,10)", 0, kEvalNoMeaning},
      {u"GCD(12)", 0, kEvalNoMeaning},
      {u"atan2(1)", 0, kEvalNoMeaning},
      {u"exp(1,2)", 0, kEvalNoMeaning},
      {u"nCr(5,2)", 10, 0},
  });
}

// A call whose written count exceeds what the stack holds reads nothing
// below the stack; a prime steals the enclosing call's count on its way.
TEST_F(InterpreterTest, StackIsNeverReadBeyondItsBottom) {
  Evaluator evaluator;
  evaluator.stack.push_back(1);
  EXPECT_FALSE(ApplyFunction(evaluator, kIdNCr, 2));
  EXPECT_FALSE(ApplyFunction(evaluator, kIdNCr, 100000));
  EXPECT_FALSE(ApplyFunction(evaluator, kIdSin, 0));
  EXPECT_FALSE(ApplyFunction(evaluator, kIdSin, -3));
  ASSERT_EQ(evaluator.stack.size(), 1u);
  EXPECT_TRUE(ApplyFunction(evaluator, kIdSin, 1));
  EXPECT_EQ(evaluator.stack.back(), std::sin(1.0));

  Evaluator empty;
  empty.program.push_back({OperatorInstr, '+', 1, 0});
  double result = 0;
  EXPECT_FALSE(abacine::Run(empty, result));
  EXPECT_EQ(empty.errorCode, kEvalNoMeaning);

  Evaluator negate;
  negate.program.push_back({OperatorInstr, kOpUnaryMinus, 1, 0});
  EXPECT_FALSE(abacine::Run(negate, result));
  EXPECT_EQ(negate.errorCode, kEvalNoMeaning);

  Evaluator nothing;
  EXPECT_FALSE(abacine::Run(nothing, result));
  EXPECT_EQ(nothing.errorCode, kEvalNoMeaning);

  Evaluator call;
  call.program.push_back({CallInstr, kIdNormalCdf, 4, 0});
  EXPECT_FALSE(abacine::Run(call, result));
  EXPECT_EQ(call.errorCode, kEvalNoMeaning);
  CheckExact({
      {u"sin(2')", 0, kEvalNoMeaning},
      {u"nCr(5,2')", 0, kEvalNoMeaning},
  });
}

TEST_F(InterpreterTest, ApplyBinaryCodes) {
  struct Row {
    double left;
    int32_t code;
    double right;
    bool ok;
    double want;
  };
  const Row rows[] = {
      {2, '+', 3, true, 5},        {2, '-', 3, true, -1},      {2, '*', 3, true, 6},
      {3, '/', 2, true, 1.5},      {2, '^', 0.5, true, std::pow(2.0, 0.5)},
      {2, kExponentSign, 3, true, 2000}, {2, '=', 3, false, 2},  {2, kOpListEnd, 3, false, 2},
      {2, '(', 3, false, 2},       {2, '[', 3, false, 2},
      // Powers of ten outside the normal range still scale values that fit.
      {4.9406564584, kExponentSign, -324, true, std::numeric_limits<double>::denorm_min()},
      {1, kExponentSign, -400, true, 0},
      {0.0001, kExponentSign, 310, true, 0.0001 * 1e155 * 1e155},
      {10, kExponentSign, 308, true, HUGE_VAL},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    double left = row.left;
    EXPECT_EQ(ApplyBinary(left, row.code, row.right), row.ok);
    EXPECT_EQ(left, row.want);
  }
}

TEST_F(InterpreterTest, NumberTexts) {
  struct Row {
    std::u16string text;
    double value;
  };
  const Row rows[] = {
      {u"12.5", 12.5},
      {u"5.", 5},
      {u".5", 0.5},
      {u"-1", -1},
      {u"2", 2},
      {std::u16string(1, kPiSign), kPi},
      {std::u16string(1, kESign), kE},
      {u"", 0},
      {u"abc", 0},
      {u"3x", 3},
      {u"0.1", 0.1},
      {u"123456789012345678901234567890", 1.2345678901234568e29},
      {u"0." + std::u16string(400, u'0') + u"1", 0},
      {u"1" + std::u16string(400, u'0'), HUGE_VAL},
      {u"0.000000000000000000001", 1e-21},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(test::Narrow(row.text));
    EXPECT_EQ(NumberValue(row.text), row.value);
  }
}

TEST_F(InterpreterTest, DeepNestingEvaluates) {
  constexpr int kDepth = 10000;
  std::u16string brackets(kDepth, u'(');
  brackets += u"7";
  brackets.append(kDepth, u')');
  std::u16string negations(kDepth, u'-');
  negations += u"1";
  std::u16string calls;
  for (int i = 0; i < kDepth; ++i) calls += u"abs(";
  calls += u"-2";
  calls.append(kDepth, u')');
  std::u16string powers;
  for (int i = 0; i < kDepth; ++i) powers += u"1^";
  powers += u"1";
  CheckExact({
      {brackets, 7, 0},
      {std::u16string(kDepth, u'(') + u"7", 7, 0},
      {negations, 1, 0},
      {calls, 2, 0},
      {powers, 1, 0},
  });
}

TEST_F(InterpreterTest, ErrorIsZeroOnSuccess) {
  double result = 0;
  int32_t error = 99;
  ASSERT_TRUE(Evaluate(u"1+1", result, error));
  EXPECT_EQ(error, 0);
  EXPECT_EQ(result, 2);
}

TEST_F(InterpreterTest, VariableTableIsEmpty) {
  double value = 3;
  for (char16_t letter : std::u16string(u"xyzAe_\u00DE")) {
    EXPECT_FALSE(Variables().Lookup(letter, value));
  }
  EXPECT_EQ(value, 3);
}

// Every expression evaluates to the same value (or the same failure) when
// parsed afresh a second time: nothing of one evaluation leaks into the
// next.
TEST_F(InterpreterTest, FreshParsesAgree) {
  const std::u16string texts[] = {
      u"2+3",       u"sin(30)*2+3^2/7-ln(5)", u"NormalCdf(-1,1,0,1)", u"5!",
      u"1/0",       u"{1,2}",                 u"x",                   u"nCr(10,3)",
      u"GCD(12,18)", u"-2^-2",                u"((((1+2)*3)-4)/5)",   u"abs(-3)!",
  };
  std::mt19937 random(12345);
  for (int round = 0; round < 3; ++round) {
    for (const std::u16string& text : texts) {
      SCOPED_TRACE(test::Narrow(text));
      double a = 0;
      double b = 0;
      int32_t ea = -1;
      int32_t eb = -1;
      const bool oka = Evaluate(text.c_str(), a, ea);
      // Something else in between, so a stale state would show.
      double other = 0;
      int32_t otherError = 0;
      Evaluate(texts[random() % std::size(texts)].c_str(), other, otherError);
      const bool okb = Evaluate(text.c_str(), b, eb);
      EXPECT_EQ(oka, okb);
      EXPECT_EQ(ea, eb);
      if (oka && okb) {
        EXPECT_EQ(test::UlpDistance(a, b), 0);
      }
    }
  }
}

}  // namespace
}  // namespace abacine
