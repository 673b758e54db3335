#include "engine/parser.h"

#include <algorithm>
#include <string>

#include "engine/builtin_table.h"
#include "text/signs.h"

namespace abacine {
namespace {

constexpr int32_t kBarrier = 7;

constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

}  // namespace

int32_t OperatorPrecedence(int32_t code) {
  switch (code) {
    case '=': case kOpListEnd: case kOpPlaceholder:
      return 0;
    case '+': case '-':
      return 1;
    case '*': case '/':
      return 2;
    case '^': case kOpPrimeSign: case kOpPrime: case kOpDoublePrime:
      return 3;
    case kOpExponent:
      return 4;
    case kOpUnaryMinus:
      return 5;
    case '(': case '[':
      return kBarrier;
    default:
      // '!', the index operator and every function code bind tightest.
      return 6;
  }
}

Parser::Parser(std::pmr::memory_resource* memory) : operators_(memory), argCounts_(memory) {}

bool Parse(Parser& parser, const char16_t* text, TokenList& output) { return parser.Parse(text, output); }

int32_t ErrorCode(const Parser& parser) { return parser.ErrorCode(); }

bool Parser::Fail(int32_t code) {
  errorCode_ = code;
  errorPosition_ = length_ > 0 ? std::min(index_, length_) : -1;
  output_->clear();
  operators_.clear();
  argCounts_.clear();
  return false;
}

void Parser::Emit(TokenKind kind, int16_t code, int32_t argCount, int32_t position) {
  Token& token = output_->emplace_back();
  token.kind = kind;
  token.code = code;
  token.argCount = argCount;
  token.position = position;
}

void Parser::EmitText(TokenKind kind, const char16_t* text, size_t length) {
  Token& token = output_->emplace_back();
  token.kind = kind;
  token.argCount = 1;
  token.position = index_;
  token.text.assign(text, length);
}

void Parser::SetCurrent(TokenKind kind, int16_t code, char16_t lead) {
  currentKind_ = kind;
  currentCode_ = code;
  currentLead_ = lead;
}

void Parser::PushRaw(int16_t code) { operators_.push_back({code, index_}); }

void Parser::PushOperator(int16_t code) {
  lastOperator_ = code;
  SetCurrent(OperatorToken, code);
  const int32_t p = OperatorPrecedence(code);
  while (!operators_.empty()) {
    const int16_t top = operators_.back().code;
    const int32_t q = OperatorPrecedence(top);
    // A unary minus below a power waits, so -2^2 is -(2^2).
    if (q < p || q == kBarrier || (top == kOpUnaryMinus && code == '^')) break;
    PopOperator();
  }
  PushRaw(code);
}

void Parser::PopOperator() {
  if (operators_.empty()) return;
  const auto [top, position] = operators_.back();
  operators_.pop_back();
  if (top <= 255) {
    Emit(OperatorToken, top, 1, position);
    return;
  }
  int32_t count;
  if (!argCounts_.empty()) {
    count = argCounts_.back();
    argCounts_.pop_back();
  } else {
    count = DefaultArgCount(top - kFunctionCodeBase);
  }
  Emit(FunctionToken, top, count, position);
}

void Parser::InsertTimes() {
  ++expectedOperands_;
  PushOperator('*');
}

void Parser::PowerOperator() {
  ++expectedOperands_;
  if (lastOperator_ == '^' || lastOperator_ == kOpUnaryMinus) {
    // Right-associative: 2^3^2 is 2^(3^2), and -2^2 stays -(2^2).
    SetCurrent(OperatorToken, '^');
    lastOperator_ = '^';
    PushRaw('^');
  } else {
    PushOperator('^');
  }
}

int32_t Parser::CloseGroup() {
  if (openCount_ == 0) return kParseUnbalanced;
  lastOperator_ = ')';
  while (true) {
    if (operators_.empty()) return kParseUnbalanced;
    const int16_t top = operators_.back().code;
    if (top == '(') break;
    // A ')' or '}' may not close across an open '['.
    if (top == '[') return kParseUnbalanced;
    PopOperator();
  }
  operators_.pop_back();
  --openCount_;
  return 0;
}

bool Parser::ScanNumber(char16_t c) {
  const char16_t previous = index_ > 0 ? text_[index_ - 1] : 0;
  ++operandCount_;
  if (index_ != 0) {
    if (previous == ')' || previous == '}' || previous == kSquareSign || previous == kReciprocalSign) {
      InsertTimes();
    } else if (CurrentIsPlaceholder()) {
      InsertTimes();
    }
  }
  if (c == kPiSign || c == kESign) {
    if (index_ != 0 && currentKind_ == NumberToken) InsertTimes();  // 2 pi
    SetCurrent(NumberToken, 0, c);
    EmitText(NumberToken, text_ + index_, 1);
  } else {
    // pi 2 multiplies as well.
    if (!output_->empty() && currentKind_ == NumberToken && (currentLead_ == kPiSign || currentLead_ == kESign)) {
      InsertTimes();
    }
    int32_t end = index_;
    int32_t points = 0;
    while (end < length_ && (IsDigit(text_[end]) || text_[end] == '.')) {
      if (text_[end] == '.') ++points;
      ++end;
    }
    if (points > 1) return Fail(kParseMalformed);
    if (end - index_ == 1 && c == '.') return Fail(kParseMalformed);
    SetCurrent(NumberToken, 0, c);
    EmitText(NumberToken, text_ + index_, static_cast<size_t>(end - index_));
    index_ = end - 1;
  }
  afterOperand_ = true;
  if (index_ + 1 < length_ && text_[index_ + 1] == '(') InsertTimes();
  return true;
}

bool Parser::ScanName() {
  if (CurrentIsValue() || CurrentIsPlaceholder()) InsertTimes();
  int32_t end = index_ + 1;
  while (end < length_ && IsNameUnit(text_[end])) ++end;
  const std::u16string_view name(text_ + index_, static_cast<size_t>(end - index_));
  const char16_t next = end < length_ ? text_[end] : 0;
  const int32_t id = LookupBuiltin(name);
  if (id >= 0) {
    if (next != '(') return Fail(kParseBareBuiltin);
    PushOperator(static_cast<int16_t>(kFunctionCodeBase + id));
    argCounts_.push_back(1);
    afterOperand_ = false;
  } else {
    ++operandCount_;
    SetCurrent(NameToken, 0, name[0]);
    EmitText(NameToken, name.data(), name.size());
    afterOperand_ = true;
    if (next == '(') InsertTimes();  // x(2) is x times 2
    if (next == '[') ++expectedOperands_;
  }
  index_ = end - 1;
  return true;
}

bool Parser::Parse(const char16_t* text, TokenList& output) {
  return Parse(text == nullptr ? std::u16string_view() : std::u16string_view(text), output);
}

bool Parser::Parse(std::u16string_view text, TokenList& output) {
  output.clear();
  output_ = &output;
  operators_.clear();
  argCounts_.clear();
  text_ = text.data();
  lastOperator_ = 0;
  SetCurrent(NoToken, 0);
  afterOperand_ = false;
  errorCode_ = -1;
  errorPosition_ = -1;
  openCount_ = 0;
  openIndexCount_ = 0;
  operandCount_ = 0;
  expectedOperands_ = 1;
  index_ = 0;
  length_ = 0;

  const size_t length = text.size();
  if (length == 0) return Fail(kParseEmpty);
  if (length > kMaxInputLength) return Fail(kParseMalformed);
  length_ = static_cast<int32_t>(length);

  // Reserves are a speed-up only; the containers grow past them as needed.
  const size_t reserveFor = std::min(length, size_t{4096});
  output.reserve(2 * reserveFor);
  operators_.reserve(reserveFor);
  argCounts_.reserve(reserveFor / 2 + 1);

  for (index_ = 0; index_ < length_; ++index_) {
    const char16_t c = text_[index_];
    const char16_t next = index_ + 1 < length_ ? text_[index_ + 1] : 0;
    const char16_t previous = index_ > 0 ? text_[index_ - 1] : 0;
    switch (c) {
      case u' ':
        break;

      case u'(':
        ++openCount_;
        PushOperator('(');
        afterOperand_ = false;
        break;

      case u')': {
        if (const int32_t code = CloseGroup(); code != 0) return Fail(code);
        afterOperand_ = true;
        if (next == '(') InsertTimes();
        break;
      }

      case u'{':
        if (CurrentIsValue()) InsertTimes();
        SetCurrent(OperatorToken, '(');
        ++openCount_;
        PushRaw('(');
        argCounts_.push_back(1);
        afterOperand_ = false;
        break;

      case u'}': {
        if (const int32_t code = CloseGroup(); code != 0) return Fail(code);
        if (argCounts_.empty()) return Fail(kParseMalformed);
        const int32_t count = argCounts_.back();
        argCounts_.pop_back();
        SetCurrent(OperatorToken, kOpListEnd);
        Emit(OperatorToken, kOpListEnd, count, index_);
        afterOperand_ = true;
        if (next == '{') InsertTimes();
        break;
      }

      case u',':
        ++expectedOperands_;
        while (true) {
          // A ',' belongs to the innermost '(' or '{'; one inside an index
          // with no group of its own is misplaced.
          if (operators_.empty() || TopIs('[')) return Fail(kParseMalformed);
          if (TopIs('(')) break;
          PopOperator();
        }
        SetCurrent(OperatorToken, kOpComma);
        if (!argCounts_.empty()) ++argCounts_.back();
        afterOperand_ = false;
        break;

      case u'!':
        PushOperator(kOpFactorial);
        afterOperand_ = true;
        break;

      case u'-':
        if (!afterOperand_) {
          // A prefix operator has nothing on its left to finish, so it pops
          // nothing: "--2" negates twice instead of emitting a minus before
          // its operand.
          lastOperator_ = kOpUnaryMinus;
          SetCurrent(OperatorToken, kOpUnaryMinus);
          PushRaw(kOpUnaryMinus);
          break;
        }
        [[fallthrough]];
      case u'+': case u'*': case u'/': case u'=': case kExponentSign:
        ++expectedOperands_;
        PushOperator(static_cast<int16_t>(c));
        afterOperand_ = false;
        break;

      case u'^':
        PowerOperator();
        afterOperand_ = false;
        break;

      case kSquareSign: case kReciprocalSign:
        PowerOperator();
        ++operandCount_;
        if (c == kSquareSign) {
          SetCurrent(NumberToken, 0, u'2');
          EmitText(NumberToken, u"2", 1);
        } else {
          SetCurrent(NumberToken, 0, u'-');
          EmitText(NumberToken, u"-1", 2);
        }
        afterOperand_ = true;
        if (next == '(') InsertTimes();
        break;

      case kPrimeSign:
        PushOperator(kOpPrimeSign);
        PopOperator();
        afterOperand_ = true;
        break;

      case u'\'': {
        int16_t code = kOpPrime;
        if (next == '\'') {
          code = kOpDoublePrime;
          ++index_;
        }
        if (expectedOperands_ < operandCount_) ++expectedOperands_;
        PushOperator(code);
        PopOperator();
        afterOperand_ = true;
        break;
      }

      case kIntegralSign: case kRootSign: {
        if (next != '(') return Fail(kParseMalformed);
        if ((currentKind_ != NoToken && currentKind_ != OperatorToken) || CurrentIsPlaceholder()) InsertTimes();
        const int32_t id = LookupBuiltin(c == kIntegralSign ? u"Integrate" : u"sqrt");
        PushOperator(static_cast<int16_t>(kFunctionCodeBase + id));
        argCounts_.push_back(1);
        afterOperand_ = false;
        break;
      }

      case kPlaceholderSign:
        if (CurrentIsValue() || previous == ')' || previous == '}') InsertTimes();
        SetCurrent(OperatorToken, kOpPlaceholder);
        ++operandCount_;
        Emit(OperatorToken, kOpPlaceholder, 1, index_);
        afterOperand_ = true;
        break;

      case u'[':
        if (openIndexCount_ > 0 || index_ == 0) return Fail(kParseMalformed);
        if (previous == ']') {
          // x[1][2]: the first index applies before the second opens.
          ++expectedOperands_;
          PopOperator();
        }
        PushOperator('[');
        ++openIndexCount_;
        afterOperand_ = false;
        break;

      case u']':
        if (openIndexCount_ == 0) return Fail(kParseNoOpenIndex);
        lastOperator_ = ']';
        while (true) {
          // A ']' may not close across an open '(' or '{'.
          if (operators_.empty() || TopIs('(')) return Fail(kParseUnbalanced);
          if (TopIs('[')) break;
          PopOperator();
        }
        operators_.pop_back();
        PushOperator(kOpIndex);
        --openIndexCount_;
        afterOperand_ = true;
        break;

      default:
        if (IsNameLetter(c)) {
          if (!ScanName()) return false;
        } else if (IsDigit(c) || c == '.' || c == kPiSign || c == kESign) {
          if (!ScanNumber(c)) return false;
        } else {
          // Not part of the input alphabet.
          return Fail(kParseMalformed);
        }
        break;
    }
  }

  if (expectedOperands_ != operandCount_) return Fail(kParseOperandCount);
  while (openCount_ > 0) {
    // A missing ')' at the end is supplied.
    if (const int32_t code = CloseGroup(); code != 0) return Fail(code);
  }
  while (!operators_.empty()) PopOperator();
  return true;
}

}  // namespace abacine
