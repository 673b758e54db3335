// Any UTF-16 text either parses or fails with one of the parser's codes;
// evaluating it gives a finite value or one of the engine's codes; an answer
// formats to text that evaluates again. Nothing may crash, hang or touch
// memory outside its buffers (the build adds AddressSanitizer and
// UndefinedBehaviorSanitizer).
//
// Input: the bytes read as UTF-16 code units (an odd last byte is dropped)
// and copied with a terminating zero; the byte count modulo 3 picks the
// angle mode and its lowest bit the answer mode.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/angle_mode.h"
#include "engine/interpreter.h"
#include "engine/parser.h"
#include "numeric/format.h"
#include "text/wstring.h"

namespace {

bool IsParseCode(int32_t code) {
  return code == 1 || code == 3 || code == 4 || code == 5 || code == 6 || code == 16;
}

bool IsEvalCode(int32_t code) { return IsParseCode(code) || code == 18 || code == 19; }

void Require(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace abacine;
  const size_t units = size / 2;
  std::vector<char16_t> text(units + 1, 0);
  if (units > 0) std::memcpy(text.data(), data, units * sizeof(char16_t));

  Parser parser;
  TokenList tokens;
  const bool parsed = parser.Parse(text.data(), tokens);
  if (parsed) {
    Require(!tokens.empty());
    Require(parser.ErrorCode() == -1);
  } else {
    Require(IsParseCode(parser.ErrorCode()));
    Require(tokens.empty());
  }

  SetAngleMode(static_cast<int32_t>(size % 3));
  double value = 0;
  int32_t error = -1;
  const bool evaluated = Evaluate(text.data(), value, error);
  if (!evaluated) {
    Require(IsEvalCode(error));
    if (!parsed) Require(error == parser.ErrorCode());
    SetAngleMode(Radians);
    return 0;
  }
  Require(parsed);
  Require(error == 0);
  Require(std::isfinite(value));

  WString answer;
  FormatValue(answer, value, 10, Auto, (size & 1) != 0);
  Require(!answer.Empty());
  double again = 0;
  Require(Evaluate(answer.CStr(), again, error));
  SetAngleMode(Radians);
  return 0;
}
