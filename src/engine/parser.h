// Tokenizer and parser: one left-to-right pass over the input text that
// turns it into a postfix token list (shunting-yard with an operator stack
// and a stack of argument counts). There is no separate lexer; numbers and
// names are scanned where they stand.
//
// Grammar, informally:
//   text     := blanks? expr
//   expr     := operand (binop operand)*        binop: + - * / ^ = U+0080
//   operand  := '-' operand | primary postfix*   postfix: ! ' '' U+0083 U+0085 U+0086
//   primary  := number | name | builtin '(' args ')' | '(' expr ')' | '{' args '}'
//             | U+00ED | U+00DC | U+00DD | (U+0084 | U+0087) '(' expr ')'
//   name '[' expr ']' is an index; "2(3)", "2sin(30)", "(1)(2)" multiply.
// The parser checks structure only by counting operands against the
// operands the operators expect; the interpreter catches the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>
#include <vector>

#include "text/signs.h"

namespace abacine {

// Units that start a name: letters, '_' and the letters of the upper half
// but the pi sign; digits may continue one.
constexpr bool IsNameLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' ||
         (c >= u'\u00DE' && c <= u'\u00FF' && c != kPiSign);
}
constexpr bool IsNameUnit(char16_t c) { return IsNameLetter(c) || (c >= u'0' && c <= u'9'); }

enum TokenKind : uint8_t {
  NoToken = 0,        // nothing recognised yet
  OperatorToken = 1,
  NumberToken = 2,
  NameToken = 3,
  FunctionToken = 5,  // a builtin call, a postfix mark or the index operator
};

// Operator codes of tokens; plain operators use their character.
inline constexpr int16_t kOpListEnd = '$';      // emitted by '}', argCount = elements
inline constexpr int16_t kOpPlaceholder = '#';  // the placeholder sign
inline constexpr int16_t kOpComma = -1;         // marks the token after ','; never pushed
inline constexpr int16_t kOpUnaryMinus = '@';
inline constexpr int16_t kOpFactorial = '!';
inline constexpr int16_t kOpExponent = 0x80;    // the exponent sign
inline constexpr int16_t kOpPrimeSign = 338;    // 256 + 82
inline constexpr int16_t kOpPrime = 339;        // 256 + 83
inline constexpr int16_t kOpDoublePrime = 340;  // 256 + 84
inline constexpr int16_t kOpIndex = 378;        // 256 + 122, emitted by ']'

// Binding strength of an operator code; 7 marks the group openers '(' and
// '[', which stay on the operator stack as barriers.
int32_t OperatorPrecedence(int32_t code);

// Longer texts fail with kParseMalformed (and no place to blame): no input
// line comes near this, and the cap keeps every count far from the 32-bit
// limit and the token list's size bounded.
inline constexpr size_t kMaxInputLength = size_t{1} << 20;

// Failure codes of Parse.
enum ParseError : int32_t {
  kParseOperandCount = 1,   // operands and operators do not add up
  kParseNoOpenIndex = 3,    // ']' with no open '['
  kParseMalformed = 4,      // misplaced ',' '[' '}', sign without '(', bad literal, unknown character
  kParseUnbalanced = 5,     // a closing bracket with no matching opener
  kParseBareBuiltin = 6,    // a builtin name not followed directly by '('
  kParseEmpty = 16,         // the text is empty
};

struct Token {
  TokenKind kind = NoToken;
  int32_t argCount = 0;  // function: arguments written; list end: elements
  int16_t code = 0;      // operator or function code; unused for numbers and names
  int32_t position = 0;  // index in the text of the unit it came from (a call: its name)
  std::u16string text;   // literal text of a number or name, else empty
};

using TokenList = std::pmr::vector<Token>;

class Parser {
 public:
  // Scratch stacks come from memory; the caller keeps it alive while the
  // parser lives.
  explicit Parser(std::pmr::memory_resource* memory = std::pmr::get_default_resource());

  // Parses the text into output, which is cleared first. On failure output
  // is empty, ErrorCode() tells why, and false is returned. Every unit of
  // the view is read, a NUL too (which is outside the alphabet).
  bool Parse(std::u16string_view text, TokenList& output);
  // The same for a zero-terminated text; null counts as empty.
  bool Parse(const char16_t* text, TokenList& output);

  // The code of the last failure, -1 if none.
  int32_t ErrorCode() const { return errorCode_; }

  // Where the last failure was found: the index of the text unit being read,
  // the text's length for a failure found at its end, or -1 when no place is
  // to blame (an empty or too long text) or nothing failed.
  int32_t ErrorPosition() const { return errorPosition_; }

 private:
  bool Fail(int32_t code);
  void Emit(TokenKind kind, int16_t code, int32_t argCount, int32_t position);
  void EmitText(TokenKind kind, const char16_t* text, size_t length);
  void SetCurrent(TokenKind kind, int16_t code, char16_t lead = 0);
  void PushOperator(int16_t code);
  void PushRaw(int16_t code);
  void PopOperator();
  void InsertTimes();
  void PowerOperator();
  // Pops to the output down to the innermost '(' and removes it; returns 0
  // or the failure code.
  int32_t CloseGroup();
  bool CurrentIsPlaceholder() const { return currentKind_ == OperatorToken && currentCode_ == kOpPlaceholder; }
  bool CurrentIsValue() const { return currentKind_ == NumberToken || currentKind_ == NameToken; }
  bool ScanNumber(char16_t c);
  bool ScanName();
  bool TopIs(int16_t code) const { return !operators_.empty() && operators_.back().code == code; }

  // An operator waiting on the stack and the text index it came from.
  struct Pending {
    int16_t code;
    int32_t position;
  };
  std::pmr::vector<Pending> operators_;
  std::pmr::vector<int32_t> argCounts_;
  TokenList* output_ = nullptr;
  const char16_t* text_ = nullptr;
  int16_t lastOperator_ = 0;
  // The token recognised last: kind, code and first text unit are all the
  // parse ever asks of it.
  TokenKind currentKind_ = NoToken;
  int16_t currentCode_ = 0;
  char16_t currentLead_ = 0;
  // True when the last non-blank input completed an operand; decides
  // whether '-' subtracts or negates.
  bool afterOperand_ = false;
  int32_t length_ = 0;
  int32_t index_ = 0;
  int32_t errorCode_ = -1;
  int32_t errorPosition_ = -1;
  int32_t openCount_ = 0;
  int32_t openIndexCount_ = 0;
  int32_t operandCount_ = 0;
  int32_t expectedOperands_ = 1;
};

// Free-function spellings of the same operations.
bool Parse(Parser& parser, const char16_t* text, TokenList& output);
int32_t ErrorCode(const Parser& parser);

}  // namespace abacine
