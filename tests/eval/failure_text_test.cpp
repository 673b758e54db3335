#include "eval/failure_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "engine/angle_mode.h"
#include "eval/input_forms.h"
#include "text/sign_text.h"

namespace abacine {
namespace {

std::string Explain(const std::string& typed) {
  std::u16string text;
  size_t bad = 0;
  EXPECT_TRUE(Utf8ToCalcText(typed, text, bad));
  ApplyTerminalForms(text);
  double value = 0;
  EvalFailure failure;
  if (Evaluate(text.c_str(), value, failure)) return "answered";
  return DescribeFailure(text, failure, SourceColumns(typed, text));
}

// One row for every kind of failure; places are columns of the typed line.
TEST(FailureTextTest, EveryKindOfFailure) {
  const std::pair<std::string, std::string> rows[] = {
      {"", "the input is empty (code 16)"},
      {"2+", "'+' at 2 has no value after it (code 1)"},
      {"2 3", "an operator or a value is missing (two values need an operator between them) (code 1)"},
      {"x[1]]", "']' at 5 has no '[' to close (code 3)"},
      {"(1+2))", "unbalanced ')' at 6 (code 5)"},
      {"{1}}", "unbalanced '}' at 4 (code 5)"},
      {"(x[1", "unbalanced brackets at the end (code 5)"},
      {"sin 30", "'sin' at 1 must be followed directly by '(' (code 6)"},
      {"log(100)", "unknown name 'log' at 1 (did you mean log10?) (code 4)"},
      {"2⁻¹+Sin(3)", "unknown name 'Sin' at 5 (did you mean sin?) (code 4)"},
      {"e^2", "unknown name 'e' at 1 (did you mean ℯ, Euler's number?) (code 4)"},
      {"x+1", "unknown name 'x' at 1 (variables have no value) (code 4)"},
      {"qqqq+1", "unknown name 'qqqq' at 1 (code 4)"},
      {"□+1", "the placeholder □ at 1 has no value (code 4)"},
      {"1,2", "',' at 2 stands outside parentheses and lists (code 4)"},
      {"[1]", "'[' at 1 cannot start the input or stand inside another index (code 4)"},
      {"(1}", "'}' at 3 closes parentheses, not a list (code 4)"},
      {"√4", "'√' at 1 must be followed by '(' (code 4)"},
      {"1.2.3", "malformed number at 1 (code 4)"},
      {"2+ж", "unknown character 'ж' at 3 (code 4)"},
      {"1/0", "division by zero or overflow (code 18)"},
      {"sqrt(-1)", "undefined value, outside a function's domain (like sqrt(-1)) or 0/0 (code 18)"},
      {"nCr(5,-1)", "no value for nCr at 1 with these arguments; it is nCr(n, r) (code 19)"},
      {"√(1,2)", "no value for sqrt at 1 with these arguments; it is sqrt(x) (code 19)"},
      {"Det(1)", "'Det' at 1 has no numeric value (code 19)"},
      {"∫(4)", "'∫' at 1 has no numeric value (code 19)"},
      {"{1,2}", "a list at 5 has no single value (code 19)"},
      {"2=3", "'=' at 2 has no numeric meaning (code 19)"},
      {"pi[1]", "an index at 5 has no numeric meaning (code 19)"},
      {"2′", "a prime mark at 2 has no numeric meaning (code 19)"},
      {"(1,2)", "more than one value is left (a ',' outside a function call?) (code 19)"},
      {"1e5", "answered"},
  };
  for (const auto& [typed, words] : rows) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(Explain(typed), words);
  }
}

TEST(FailureTextTest, SuggestionsForMistypedNames) {
  const std::pair<std::string, std::string> rows[] = {
      {"log", "log10"},     {"Sin", "sin"},       {"PI", "pi"},         {"pie", "pi"},
      {"sqr", "sqrt"},      {"arcsin", "asin"},   {"ceil", "ceiling"},  {"normalcdf", "NormalCdf"},
      {"NormalCfd", "NormalCdf"}, {"gcd", "GCD"}, {"Poisson", "PoissonPdf"}, {"qqqq", ""},
      {"Integrate", ""},    {"xyzzy", ""},
  };
  for (const auto& [name, want] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(SuggestName(name), want);
  }
}

}  // namespace
}  // namespace abacine
