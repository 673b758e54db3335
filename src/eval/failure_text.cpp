#include "eval/failure_text.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "engine/parser.h"
#include "text/signs.h"
#include "eval/builtin_help.h"
#include "text/escape.h"
#include "text/sign_text.h"

namespace abacine {
namespace {

constexpr bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Edit distance with insertions, deletions and substitutions, ignoring case.
size_t Distance(std::string_view a, std::string_view b) {
  const std::string x = Lower(a);
  const std::string y = Lower(b);
  std::vector<size_t> row(y.size() + 1);
  for (size_t j = 0; j <= y.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= x.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= y.size(); ++j) {
      const size_t next = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = row[j];
      row[j] = next;
    }
  }
  return row[y.size()];
}

// Names from other calculators and languages.
constexpr std::pair<std::string_view, std::string_view> kAliases[] = {
    {"arcsin", "asin"}, {"arccos", "acos"}, {"arctan", "atan"}, {"ceil", "ceiling"}, {"sgn", "sign"},
    {"int", "iPart"},   {"trunc", "iPart"}, {"frac", "fPart"},  {"root", "sqrt"},    {"log", "log10"},
    {"lg", "log10"},    {"arsinh", "asinh"}, {"arcosh", "acosh"}, {"artanh", "atanh"},
};

// What the user typed may hold controls; they are shown written out.
std::string Quoted(std::string_view s) { return "'" + EscapeForTerminal(s) + "'"; }

class Describer {
 public:
  Describer(std::u16string_view calc, const EvalFailure& failure, const std::vector<int32_t>& columns)
      : calc_(calc), failure_(failure), columns_(columns) {}

  std::string Text() const { return Why() + " (code " + std::to_string(failure_.code) + ")"; }

 private:
  bool HasPlace() const { return failure_.position >= 0 && static_cast<size_t>(failure_.position) < calc_.size(); }
  char16_t Unit() const { return HasPlace() ? calc_[static_cast<size_t>(failure_.position)] : 0; }
  std::string UnitText() const { return Quoted(CalcTextToUtf8(calc_.substr(static_cast<size_t>(failure_.position), 1))); }

  std::string At() const {
    if (failure_.position < 0) return "";
    const auto p = static_cast<size_t>(failure_.position);
    if (p >= calc_.size() || p >= columns_.size()) return " at the end";
    return " at " + std::to_string(columns_[p]);
  }

  // The name that starts at the failure's place.
  std::string Name() const {
    size_t end = static_cast<size_t>(failure_.position);
    while (end < calc_.size() && IsNameUnit(calc_[end])) ++end;
    return CalcTextToUtf8(calc_.substr(static_cast<size_t>(failure_.position), end - static_cast<size_t>(failure_.position)));
  }

  std::string Why() const {
    switch (failure_.code) {
      case kParseEmpty: return "the input is empty";
      case kParseOperandCount: return MissingOperand();
      case kParseNoOpenIndex: return "']'" + At() + " has no '[' to close";
      case kParseUnbalanced: return HasPlace() ? "unbalanced " + UnitText() + At() : "unbalanced brackets at the end";
      case kParseBareBuiltin: return Quoted(Name()) + At() + " must be followed directly by '('";
      case kParseMalformed: return NoValue();
      case kEvalNotFinite:
        return std::isinf(failure_.value) ? "division by zero or overflow"
                                          : "undefined value, outside a function's domain (like sqrt(-1)) or 0/0";
      case kEvalNoMeaning: return NoMeaning();
      default: return "no value";
    }
  }

  // Code 1: the counts of operators and values do not agree.
  std::string MissingOperand() const {
    size_t last = calc_.size();
    while (last > 0 && calc_[last - 1] == u' ') --last;
    if (last > 0) {
      const char16_t c = calc_[last - 1];
      if (c == u'+' || c == u'-' || c == u'*' || c == u'/' || c == u'^' || c == u'=' || c == kExponentSign ||
          c == u'(' || c == u',') {
        return Quoted(CalcTextToUtf8(calc_.substr(last - 1, 1))) + " at " +
               std::to_string(columns_[last - 1]) + " has no value after it";
      }
    }
    return "an operator or a value is missing (two values need an operator between them)";
  }

  // Code 4: a name or sign with no value, or text the parser cannot read.
  std::string NoValue() const {
    if (!HasPlace()) return failure_.position < 0 ? "the input is too long" : "malformed input";
    const char16_t c = Unit();
    if (IsNameLetter(c)) {
      const std::string name = Name();
      std::string hint;
      if (name == "e") {
        hint = " (did you mean ℯ, Euler's number?)";
      } else if (name.size() == 1) {
        hint = " (variables have no value)";
      } else if (const std::string near = SuggestName(name); !near.empty()) {
        hint = " (did you mean " + near + "?)";
      }
      return "unknown name " + Quoted(name) + At() + hint;
    }
    if (c == kPlaceholderSign) return "the placeholder □" + At() + " has no value";
    if (c == u',') return "','" + At() + " stands outside parentheses and lists";
    if (c == u'[') return "'['" + At() + " cannot start the input or stand inside another index";
    if (c == u'}') return "'}'" + At() + " closes parentheses, not a list";
    if (c == kRootSign || c == kIntegralSign) return UnitText() + At() + " must be followed by '('";
    if (IsDigit(c) || c == u'.') return "malformed number" + At();
    return "unknown character " + UnitText() + At();
  }

  // Code 19: a value that has no numeric meaning.
  std::string NoMeaning() const {
    if (!HasPlace()) return "more than one value is left (a ',' outside a function call?)";
    const char16_t c = Unit();
    if (IsNameLetter(c) || c == kRootSign) {
      const std::string name = c == kRootSign ? "sqrt" : Name();
      if (const BuiltinHelp* help = FindBuiltinHelp(name)) {
        return "no value for " + name + At() + " with these arguments; it is " + std::string(help->call);
      }
      return Quoted(name) + At() + " has no numeric value";
    }
    switch (c) {
      case u'}': return "a list" + At() + " has no single value";
      case u'=': return "'='" + At() + " has no numeric meaning";
      case u']': return "an index" + At() + " has no numeric meaning";
      case u'\'': case kPrimeSign: return "a prime mark" + At() + " has no numeric meaning";
      case kIntegralSign: return "'∫'" + At() + " has no numeric value";
      default: return UnitText() + At() + " has no numeric meaning here";
    }
  }

  std::u16string_view calc_;
  const EvalFailure& failure_;
  const std::vector<int32_t>& columns_;
};

}  // namespace

std::string DescribeFailure(std::u16string_view calc, const EvalFailure& failure,
                            const std::vector<int32_t>& columns) {
  return Describer(calc, failure, columns).Text();
}

std::string SuggestName(std::string_view name) {
  std::vector<std::string_view> candidates{"pi"};
  for (const BuiltinHelp& entry : BuiltinHelpTable()) candidates.push_back(entry.name);
  const std::string lower = Lower(name);
  for (std::string_view c : candidates) {
    if (Lower(c) == lower) return std::string(c);
  }
  for (const auto& [alias, meant] : kAliases) {
    if (alias == lower) return std::string(meant);
  }
  if (name.size() >= 2) {
    for (std::string_view c : candidates) {
      if (c.size() > name.size() && Lower(c.substr(0, name.size())) == lower) return std::string(c);
    }
  }
  const size_t limit = name.size() <= 4 ? 1 : 2;
  std::string_view best;
  size_t bestDistance = limit + 1;
  for (std::string_view c : candidates) {
    const size_t d = Distance(name, c);
    if (d < bestDistance) {
      best = c;
      bestDistance = d;
    }
  }
  return std::string(best);
}

}  // namespace abacine
