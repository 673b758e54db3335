// Shared by the engine tests: texts with calculator signs, a one-line
// rendering of token lists, and rows of texts with the outcome Evaluate must
// give, run in a chosen angle mode.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/angle_mode.h"
#include "engine/builtin_table.h"
#include "engine/interpreter.h"
#include "engine/parser.h"
#include "text/signs.h"

namespace abacine::test {

// A text with calculator signs built from pieces: S(u"2", kPiSign).
template <typename... Pieces>
std::u16string S(Pieces... pieces) {
  std::u16string out;
  ((out += pieces), ...);
  return out;
}

inline std::string NameOfId(int32_t id) {
  const BuiltinTableView table = BuiltinTable();
  for (int32_t i = 0; i < table.count; ++i) {
    if (table.entries[i].id != id) continue;
    std::string name;
    for (char16_t c : table.entries[i].name) name += static_cast<char>(c);
    return name;
  }
  return "fn" + std::to_string(id);
}

// The pi and e signs as <pi> and <e>, other units outside ASCII as <uN>.
inline std::string Narrow(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    if (c == kPiSign) {
      out += "<pi>";
    } else if (c == kESign) {
      out += "<e>";
    } else if (c >= 0x20 && c < 0x7F) {
      out += static_cast<char>(c);
    } else {
      out += "<u" + std::to_string(static_cast<int>(c)) + ">";
    }
  }
  return out;
}

// Numbers and names by their text, operators by their character (the
// exponent sign as E, a list end as $n), calls as name/argCount ("30 sin/1")
// and calls of ids without a name as fnID/argCount.
inline std::string RenderTokens(const TokenList& tokens) {
  std::string out;
  for (const Token& token : tokens) {
    if (!out.empty()) out += ' ';
    if (token.kind == NumberToken || token.kind == NameToken) {
      out += Narrow(token.text);
    } else if (token.kind == FunctionToken) {
      out += NameOfId(token.code - kFunctionCodeBase) + "/" + std::to_string(token.argCount);
    } else if (token.kind != OperatorToken) {
      out += "?";
    } else if (token.code == kOpListEnd) {
      out += "$" + std::to_string(token.argCount);
    } else if (token.code == kOpExponent) {
      out += "E";
    } else {
      out += Narrow(std::u16string(1, static_cast<char16_t>(token.code)));
    }
  }
  return out;
}

// Units in the last place between two finite doubles of one sign.
inline int64_t UlpDistance(double a, double b) {
  if (a == b) return 0;
  if (std::signbit(a) != std::signbit(b)) return INT64_MAX;
  int64_t ia;
  int64_t ib;
  std::memcpy(&ia, &a, sizeof a);
  std::memcpy(&ib, &b, sizeof b);
  return ia > ib ? ia - ib : ib - ia;
}

struct EvalRow {
  std::u16string text;
  double value;   // expected value when error is 0
  int32_t error;  // expected failure code, 0 for success
  int32_t mode = Radians;
};

// Evaluates every row; values must lie within ulps of the expected one. A
// failure must leave result untouched.
inline void CheckEval(const std::vector<EvalRow>& rows, int64_t ulps = 0) {
  for (const EvalRow& row : rows) {
    SCOPED_TRACE("text: " + Narrow(row.text) + " mode " + std::to_string(row.mode));
    SetAngleMode(row.mode);
    double result = -12345.0;
    int32_t error = -1;
    const bool ok = Evaluate(row.text.c_str(), result, error);
    SetAngleMode(Radians);
    if (row.error == 0) {
      ASSERT_TRUE(ok) << "error " << error;
      EXPECT_EQ(error, 0);
      EXPECT_LE(UlpDistance(result, row.value), ulps)
          << "got " << testing::PrintToString(result) << " want " << testing::PrintToString(row.value);
    } else {
      EXPECT_FALSE(ok) << "value " << result;
      EXPECT_EQ(error, row.error);
      EXPECT_EQ(result, -12345.0) << "result written on failure";
    }
  }
}

}  // namespace abacine::test
