#include "eval/input_forms.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/interpreter.h"
#include "text/sign_text.h"

namespace abacine {
namespace {

// The calculator text of a typed line, before the typed forms are applied.
std::u16string Decode(const std::string& typed) {
  std::u16string text;
  size_t bad = 0;
  EXPECT_TRUE(Utf8ToCalcText(typed, text, bad)) << typed;
  return text;
}

// What abacine-eval evaluates for a typed line.
std::u16string Read(const std::string& typed) {
  std::u16string text = Decode(typed);
  ApplyTerminalForms(text);
  return text;
}

// Typed forms become calculator text; whatever already meant something, or
// had no number in front of its e, stays as it was. "after" in readable form.
TEST(InputFormsTest, TypedFormsAndTextsLeftAlone) {
  const std::pair<std::string, std::string> rows[] = {
      {"1e5", "1ᴇ5"},            {"2.5E-3", "2.5ᴇ-3"},        {"6e+2", "6ᴇ 2"},
      {".5e1", ".5ᴇ1"},          {"5.e1", "5.ᴇ1"},            {"sin(1e2)", "sin(1ᴇ2)"},
      {"1e5+2E3", "1ᴇ5+2ᴇ3"},    {"−3", "-3"},                {"2\t+\t3", "2 + 3"},
      {"2−−3", "2--3"},
      // Left alone: e with no number before it or no digits after it, the
      // digits of a name, an exponent running on into a name or a point,
      // and names that start with e.
      {"e5", "e5"},              {"x1e5", "x1e5"},            {"a2E3", "a2E3"},
      {"1e5x", "1e5x"},          {"1e5.5", "1e5.5"},          {"1e", "1e"},
      {"1e+", "1e+"},            {"1e-x", "1e-x"},            {"2exp(1)", "2exp(1)"},
      {"2Eval(1)", "2Eval(1)"},  {"(1)e5", "(1)e5"},          {"πe5", "πe5"},
      {"1e5_", "1e5_"},          {"1e5\xC3\x9E", "1e5\xC3\x9E"},
  };
  for (const auto& [typed, after] : rows) {
    SCOPED_TRACE(typed);
    const std::u16string text = Read(typed);
    EXPECT_EQ(text.size(), Decode(typed).size());  // unit for unit
    EXPECT_EQ(CalcTextToUtf8(text), after);
  }
}

// The typed forms evaluate as their calculator forms do; a text that means
// something else keeps its value.
TEST(InputFormsTest, TypedFormsEvaluate) {
  const std::pair<std::string, double> rows[] = {
      {"1e5", 1e5},         {"2.5E-3", 2.5e-3},  {"6e+2", 600},   {"−3+1", -2},
      {"1\t+\t1", 2},       {"2exp(1)", 2 * 2.718281828459045},   {"1e300*10", 1e301},
  };
  for (const auto& [typed, want] : rows) {
    SCOPED_TRACE(typed);
    double value = 0;
    int32_t error = -1;
    ASSERT_TRUE(Evaluate(Read(typed).c_str(), value, error)) << error;
    EXPECT_DOUBLE_EQ(value, want);
  }
}

// Columns count code points of the typed line from 1; a two-code-point sign
// spans both, a surrogate pair shares one column, and the end has its own.
TEST(InputFormsTest, ColumnsOfTheTypedLine) {
  const std::pair<std::string, std::vector<int32_t>> rows[] = {
      {"1+2", {1, 2, 3, 4}},           {"", {1}},
      {"2⁻¹+x", {1, 2, 4, 5, 6}},      {"π+ж", {1, 2, 3, 4}},
      {"😀+1", {1, 1, 2, 3, 4}},       {"2\xC2\x80" "3", {1, 2, 3, 4}},
      {"1e5", {1, 2, 3, 4}},           {"2×√(3)", {1, 2, 3, 4, 5, 6, 7}},
      {"⁻x", {1, 2, 3}},
  };
  for (const auto& [typed, columns] : rows) {
    SCOPED_TRACE(typed);
    EXPECT_EQ(SourceColumns(typed, Read(typed)), columns);
  }
}

}  // namespace
}  // namespace abacine
