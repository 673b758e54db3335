#include "engine/interpreter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>

#include "engine/builtin_table.h"
#include "engine/builtins.h"
#include "text/signs.h"
#include "numeric/constants.h"
#include "numeric/gamma.h"

namespace abacine {
namespace {

// An evaluation's containers are carved from a stack buffer first, so a
// typical input line is evaluated without touching the heap; longer ones
// spill over to it.
constexpr size_t kArenaBytes = 16 * 1024;

const VariableTable kVariables{};

bool Fail(Evaluator& evaluator, int32_t code, int32_t position) {
  evaluator.stack.clear();
  evaluator.errorCode = code;
  evaluator.errorPosition = position;
  return false;
}

}  // namespace

bool VariableTable::Lookup(char16_t letter, double& value) const {
  for (const Slot& slot : slots) {
    if (slot.letter == letter) {
      value = slot.value;
      return true;
    }
  }
  return false;
}

const VariableTable& Variables() { return kVariables; }

double NumberValue(const std::u16string& text) {
  if (text.size() == 1 && text[0] == kPiSign) return kPi;
  if (text.size() == 1 && text[0] == kESign) return kE;
  // The longest prefix of sign, digits and points, narrowed for from_chars.
  std::array<char, 64> small{};
  std::string large;
  char* narrow = small.data();
  size_t n = 0;
  while (n < text.size()) {
    const char16_t c = text[n];
    if (!((c >= u'0' && c <= u'9') || c == u'.' || (c == u'-' && n == 0))) break;
    ++n;
  }
  if (n > small.size()) {
    large.resize(n);
    narrow = large.data();
  }
  for (size_t i = 0; i < n; ++i) narrow[i] = static_cast<char>(text[i]);
  double value = 0;
  const auto [end, ec] = std::from_chars(narrow, narrow + n, value, std::chars_format::fixed);
  if (ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: an integer digit other than 0
    // means too large (an infinity, which fails at the end); else it is 0.
    bool largeMagnitude = false;
    for (const char* p = narrow; p < end && *p != '.'; ++p) {
      if (*p >= '1' && *p <= '9') largeMagnitude = true;
    }
    const bool negative = n > 0 && narrow[0] == '-';
    value = largeMagnitude ? HUGE_VAL : 0.0;
    return negative ? -value : value;
  }
  if (ec != std::errc()) return 0;
  return value;
}

Evaluator::Evaluator(std::pmr::memory_resource* memory) : program(memory), stack(memory) {}

bool Evaluator::Compile(const TokenList& tokens) {
  program.clear();
  program.reserve(tokens.size());
  size_t operands = 0;
  for (const Token& token : tokens) {
    Instruction& ins = program.emplace_back();
    ins.position = token.position;
    switch (token.kind) {
      case NumberToken:
        ins.kind = ValueInstr;
        ins.value = NumberValue(token.text);
        ++operands;
        break;
      case NameToken:
        if (token.text.size() == 1) {
          ins.kind = VariableInstr;
          ins.code = token.text[0];
        } else if (token.text == u"pi") {
          ins.kind = ValueInstr;
          ins.value = kPi;
        } else {
          // A name with no value of its own.
          program.clear();
          errorCode = kEvalNoValue;
          errorPosition = token.position;
          return false;
        }
        ++operands;
        break;
      case FunctionToken:
        ins.kind = CallInstr;
        ins.code = token.code - kFunctionCodeBase;
        ins.argCount = token.argCount;
        break;
      default:
        ins.kind = OperatorInstr;
        ins.code = token.code;
        ins.argCount = token.argCount;
        break;
    }
  }
  stack.reserve(operands);
  return true;
}

// left x 10^right. A single pow underflows (or overflows) for powers beyond
// the range of normal doubles even where the product fits, as in 4.94ᴇ-324 or
// 0.001ᴇ310, which answers near the ends of the range produce; splitting the
// power in two keeps those. Everywhere else this is the one multiplication.
static double ScaleByPowerOfTen(double left, double right) {
  const double power = std::pow(10.0, right);
  // A subnormal power has lost its precision already, so it is split too.
  if (power >= std::numeric_limits<double>::min() && std::isfinite(power)) return left * power;
  const double half = std::trunc(right / 2);
  return left * std::pow(10.0, half) * std::pow(10.0, right - half);
}

bool ApplyBinary(double& left, int32_t code, double right) {
  switch (code) {
    case '+': left = left + right; return true;
    case '-': left = left - right; return true;
    case '*': left = left * right; return true;
    case '/': left = left / right; return true;
    case '^': left = std::pow(left, right); return true;
    case kExponentSign: left = ScaleByPowerOfTen(left, right); return true;
    default: return false;
  }
}

bool ApplyFunction(Evaluator& evaluator, int32_t id, int32_t argCount) {
  std::pmr::vector<double>& stack = evaluator.stack;
  if (argCount < 1 || static_cast<size_t>(argCount) > stack.size()) return false;
  const size_t first = stack.size() - static_cast<size_t>(argCount);
  double result = 0;
  if (!ComputeBuiltin(id, stack.data() + first, argCount, result)) return false;
  stack.resize(first);
  stack.push_back(result);
  return true;
}

bool Run(Evaluator& evaluator, double& result) {
  std::pmr::vector<double>& stack = evaluator.stack;
  stack.clear();
  for (const Instruction& ins : evaluator.program) {
    switch (ins.kind) {
      case ValueInstr:
        stack.push_back(ins.value);
        break;
      case CallInstr:
        if (!ApplyFunction(evaluator, ins.code, ins.argCount)) return Fail(evaluator, kEvalNoMeaning, ins.position);
        break;
      case VariableInstr: {
        double value = 0;
        if (!Variables().Lookup(static_cast<char16_t>(ins.code), value)) {
          return Fail(evaluator, kEvalNoValue, ins.position);
        }
        stack.push_back(value);
        break;
      }
      case OperatorInstr:
        if (ins.code == kOpPlaceholder) return Fail(evaluator, kEvalNoValue, ins.position);
        if (ins.code == kOpUnaryMinus || ins.code == kOpFactorial) {
          if (stack.empty()) return Fail(evaluator, kEvalNoMeaning, ins.position);
          double& top = stack.back();
          top = ins.code == kOpUnaryMinus ? -top : Factorial(top);
          break;
        }
        if (stack.size() < 2) return Fail(evaluator, kEvalNoMeaning, ins.position);
        {
          const double right = stack.back();
          stack.pop_back();
          if (!ApplyBinary(stack.back(), ins.code, right)) return Fail(evaluator, kEvalNoMeaning, ins.position);
        }
        break;
    }
  }
  if (stack.size() != 1) return Fail(evaluator, kEvalNoMeaning, -1);
  const double value = stack.back();
  stack.pop_back();
  if (!std::isfinite(value)) {
    evaluator.finalValue = value;
    return Fail(evaluator, kEvalNotFinite, -1);
  }
  result = value;
  return true;
}

bool Evaluate(const char16_t* text, double& result, EvalFailure& failure) {
  return Evaluate(text == nullptr ? std::u16string_view() : std::u16string_view(text), result, failure);
}

bool Evaluate(std::u16string_view text, double& result, EvalFailure& failure) {
  alignas(std::max_align_t) std::byte buffer[kArenaBytes];
  std::pmr::monotonic_buffer_resource arena(buffer, sizeof buffer);
  Evaluator evaluator(&arena);
  bool ok;
  {
    Parser parser(&arena);
    TokenList tokens(&arena);
    ok = parser.Parse(text, tokens);
    if (ok) {
      ok = evaluator.Compile(tokens);
    } else {
      evaluator.errorCode = parser.ErrorCode();
      evaluator.errorPosition = parser.ErrorPosition();
    }
  }
  if (ok) ok = Run(evaluator, result);
  failure = ok ? EvalFailure{} : EvalFailure{evaluator.errorCode, evaluator.errorPosition, evaluator.finalValue};
  return ok;
}

bool Evaluate(const char16_t* text, double& result, int32_t& error) {
  return Evaluate(text == nullptr ? std::u16string_view() : std::u16string_view(text), result, error);
}

bool Evaluate(std::u16string_view text, double& result, int32_t& error) {
  EvalFailure failure;
  const bool ok = Evaluate(text, result, failure);
  error = failure.code;
  return ok;
}

}  // namespace abacine
