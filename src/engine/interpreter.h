// The engine's front door: Evaluate parses the input text, compiles the
// postfix tokens into a flat program and runs it on a stack of doubles.
// Nothing of an evaluation outlives the call; the angle mode (angle_mode.h)
// and the empty variable table are the only process-wide state.
//
// Failure codes: the parser's (1, 3, 4, 5, 6, 16, see parser.h), and
//   4   a name with no value: a one-letter variable, any other name that is
//       neither a builtin nor "pi", or the placeholder sign
//   18  the final value is an infinity or NaN
//   19  something without a numeric value: a list, '=', a name of the table
//       with no numeric meaning, a prime mark or index, a call with an
//       argument count its function does not take, GCD/LCM of non-whole
//       numbers, a negative count of nPr or nCr, an operator with too few
//       operands, or anything other than exactly one value left at the end
#pragma once

#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

#include "engine/parser.h"

namespace abacine {

enum EvalError : int32_t {
  kEvalNoValue = 4,
  kEvalNotFinite = 18,
  kEvalNoMeaning = 19,
};

enum InstructionKind : int32_t {
  OperatorInstr = 1,
  ValueInstr = 2,
  VariableInstr = 4,
  CallInstr = 5,
};

struct Instruction {
  InstructionKind kind = ValueInstr;
  int32_t code = 0;      // operator: its character; variable: its letter; call: the builtin id
  int32_t argCount = 0;  // call: arguments written
  int32_t position = 0;  // index in the text it came from, for explaining failures
  double value = 0;      // value: the number to push
};

// The variables a one-letter name could name. Nothing fills it, so every
// lookup fails; it is here so a future store has its place.
struct VariableTable {
  struct Slot {
    char16_t letter = 0;
    double value = 0;
  };
  Slot slots[3];

  bool Lookup(char16_t letter, double& value) const;
};

const VariableTable& Variables();

class Evaluator {
 public:
  explicit Evaluator(std::pmr::memory_resource* memory = std::pmr::get_default_resource());
  virtual ~Evaluator() = default;

  // Turns the token list into program. False (errorCode kEvalNoValue) for a
  // name of two or more letters that is neither "pi" nor a builtin.
  virtual bool Compile(const TokenList& tokens);

  std::pmr::vector<Instruction> program;
  std::pmr::vector<double> stack;  // top is the last element
  int32_t errorCode = 0;
  int32_t errorPosition = -1;  // text index of the failing name, call or operator; -1: none
  double finalValue = 0;       // code 18: the value that was not finite
};

// Runs the compiled program. On success result holds the one value left;
// on failure the stack is empty and evaluator.errorCode says why.
bool Run(Evaluator& evaluator, double& result);

// left = left (code) right for + - * / ^ and the exponent sign (left times
// 10^right). False, with left unchanged, for codes without a numeric
// meaning ('=', the list end, a stray '(' or '[').
bool ApplyBinary(double& left, int32_t code, double right);

// Replaces the top argCount values of the stack by builtin id applied to
// them. False (nothing changed) when the stack holds fewer values or the id
// does not compute from that many.
bool ApplyFunction(Evaluator& evaluator, int32_t id, int32_t argCount);

// Reads a number token's text: the pi and e signs alone, else the longest
// decimal prefix ('.' as the point); a text with no leading number is 0.
double NumberValue(const std::u16string& text);

// Evaluates a zero-terminated text (null counts as empty). True: result
// holds a finite value and error is 0. False: error holds the code.
bool Evaluate(const char16_t* text, double& result, int32_t& error);

// Why an evaluation failed, for callers that explain it.
struct EvalFailure {
  int32_t code = 0;       // as error above; 0 on success
  int32_t position = -1;  // index of the text unit to blame (the text's length:
                          // its end); -1 when no single place is (code 16, 18,
                          // several values left)
  double value = 0;       // code 18: the infinity or NaN the text evaluated to
};

// Evaluate, also saying where and why it failed.
bool Evaluate(const char16_t* text, double& result, EvalFailure& failure);

// The same for a text of a given length: every unit is read, so a NUL inside
// it is a character the calculator does not know (code 4), not its end.
bool Evaluate(std::u16string_view text, double& result, int32_t& error);
bool Evaluate(std::u16string_view text, double& result, EvalFailure& failure);

}  // namespace abacine
