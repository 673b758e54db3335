// abacine-eval: the calculator's engine and answer formatting on the command
// line. Each argument, or each line of standard input when there are none
// (or where an argument is "-"), is one input line; the output is one line
// per input: the text the answer display would show, or an empty line when
// there is no answer, with the reason on standard error.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/angle_mode.h"
#include "engine/interpreter.h"
#include "eval/builtin_help.h"
#include "eval/failure_text.h"
#include "eval/input_forms.h"
#include "eval/line_reader.h"
#include "numeric/format.h"
#include "text/sign_text.h"
#include "text/wstring.h"

#ifndef ABACINE_VERSION
#define ABACINE_VERSION "unknown"
#endif

namespace {

constexpr int kExitAnswered = 0;
constexpr int kExitNoAnswer = 1;
constexpr int kExitUsage = 2;

// A line of more bytes than this has more units than the engine takes,
// whatever it holds; it is refused without being kept.
constexpr size_t kMaxLineBytes = abacine::kMaxInputLength * abacine::kMaxUtf8BytesPerCalcUnit;

constexpr const char* kHelp = R"HELP(Usage: abacine-eval [OPTION]... [EXPRESSION]...
Evaluate calculator expressions as the Abacine answer display shows them.

Each EXPRESSION argument is one input line; "-" stands for the lines of
standard input. With no EXPRESSION, each line of standard input is one (a
trailing carriage return is ignored). For every input line one output line is
printed: the answer text (up to ten digits, exponent form outside 1e-9..1e9,
or a fraction with options), or an empty line when the input has no answer;
then standard error says why, where, and the failure code:
  no answer: unknown name 'log' at 1 (did you mean log10?) (code 4)
Positions count characters of the line as typed, from 1.

Options:
  --angle rad|deg|grad  angle unit of the trigonometric functions (default rad);
                        also --angle=deg
  --fractions           show answers as fractions with numerator and
                        denominator below 100 where one fits (5/4, not 1.25)
  --exact               print the value itself with 17 significant digits
                        instead of the answer text; with --fractions, print
                        the answer text, a tab, then the 17-digit value
  --list                list the functions, operators and constants
  -h, --help            show this help and exit
  --version             show the version and exit
  --                    end of options: every later argument is an expression
An argument that starts with '-' but not with "--" is an expression ("-2+3").

Calculator signs, readable in input and output (UTF-8):
  ᴇ  exponent (2ᴇ3 is 2000)    π  pi           ℯ  Euler's number
  √  root, needs "(": √(2)     ²  square       ⁻¹ reciprocal
  ∫  integral sign             □  placeholder  ′  prime sign
  ×  and ÷ are read as * and /. The raw units U+0080..U+00FF are accepted
  too. Answers print the exponent sign as ᴇ, e.g. 1.000000001ᴇ9.
Typed forms: 1e5 and 2.5E-3 read as 1ᴇ5 and 2.5ᴇ-3 (a number, e or E, then
digits with an optional sign); − (U+2212) reads as '-'; a tab as a blank.
The letter e alone is a name, not Euler's number; pi is π.

Failure codes:
  1  operands and operators do not add up      3  ']' with no open '['
  4  misplaced ',', '[' or '}', a sign without '(', a bad number, a character
     the calculator does not know, or a name with no value (x, abc, □)
  5  a closing bracket with no matching opener
  6  a function name not followed by '('       16 empty input
  18 the value is infinite or not a number (1/0, ln(0), sqrt(-1))
  19 no numeric meaning: lists, '=', symbolic functions, primes, indexes,
     a wrong number of arguments, GCD/LCM of non-whole numbers, a negative
     count in nPr or nCr

Exit status: 0 when every input has an answer, 1 when some input has none
(or is not valid UTF-8), 2 for a usage error.
)HELP";

struct Options {
  int32_t angle = abacine::Radians;
  bool fractions = false;
  bool exact = false;
};

std::string ExactText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
  return std::string(buffer, static_cast<size_t>(result.ptr - buffer));
}

bool ParseAngle(std::string_view value, int32_t& angle) {
  if (value == "rad") {
    angle = abacine::Radians;
  } else if (value == "deg") {
    angle = abacine::Degrees;
  } else if (value == "grad") {
    angle = abacine::Grads;
  } else {
    return false;
  }
  return true;
}

int Usage(const std::string& message) {
  std::cerr << "abacine-eval: " << message << "\nTry 'abacine-eval --help' for more information.\n";
  return kExitUsage;
}

// Evaluates one input line and prints its output line; returns whether it
// had an answer.
bool EvaluateLine(std::string_view line, const Options& options) {
  std::u16string text;
  size_t badOffset = 0;
  if (!abacine::Utf8ToCalcText(line, text, badOffset)) {
    std::cout << '\n' << std::flush;  // keep the lines of both streams in order
    std::cerr << "no answer: invalid UTF-8 at byte " << badOffset + 1 << "\n";
    return false;
  }
  abacine::ApplyTerminalForms(text);
  double value = 0;
  abacine::EvalFailure failure;
  if (!abacine::Evaluate(std::u16string_view(text), value, failure)) {
    std::cout << '\n' << std::flush;
    std::cerr << "no answer: " << abacine::DescribeFailure(text, failure, abacine::SourceColumns(line, text)) << "\n";
    return false;
  }
  if (options.exact && !options.fractions) {
    std::cout << ExactText(value) << '\n';
    return true;
  }
  abacine::WString answer;
  abacine::FormatValue(answer, value, 10, abacine::Auto, options.fractions);
  std::cout << abacine::CalcTextToUtf8(answer.View());
  if (options.exact) std::cout << '\t' << ExactText(value);
  std::cout << '\n';
  return true;
}

// Every line of standard input; a second "-" finds it at its end.
bool EvaluateStandardInput(const Options& options) {
  bool allAnswered = true;
  abacine::InputLine line;
  // One byte more for a carriage return before the '\n'.
  while (abacine::ReadLine(std::cin, kMaxLineBytes + 1, &line)) {
    if (!line.tooLong && !line.text.empty() && line.text.back() == '\r') line.text.pop_back();
    if (line.tooLong || line.text.size() > kMaxLineBytes) {
      std::cout << '\n' << std::flush;
      const abacine::EvalFailure tooLong{abacine::kParseMalformed, -1, 0};
      std::cerr << "no answer: " << abacine::DescribeFailure(u"", tooLong, {}) << "\n";
      allAnswered = false;
      continue;
    }
    allAnswered = EvaluateLine(line.text, options) && allAnswered;
  }
  return allAnswered;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::vector<std::string_view> expressions;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (optionsEnded || !(arg.substr(0, 2) == "--" || arg == "-h")) {
      expressions.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::cout << kHelp;
      return kExitAnswered;
    } else if (arg == "--list") {
      std::cout << abacine::BuiltinListText();
      return kExitAnswered;
    } else if (arg == "--version") {
      std::cout << "abacine-eval " ABACINE_VERSION "\n";
      return kExitAnswered;
    } else if (arg == "--fractions") {
      options.fractions = true;
    } else if (arg == "--exact") {
      options.exact = true;
    } else if (arg == "--angle" || arg.substr(0, 8) == "--angle=") {
      std::string_view value;
      if (arg == "--angle") {
        if (i + 1 >= argc) return Usage("--angle needs a value: rad, deg or grad");
        value = argv[++i];
      } else {
        value = arg.substr(8);
      }
      if (!ParseAngle(value, options.angle)) {
        return Usage("unknown angle unit '" + std::string(value) + "' (use rad, deg or grad)");
      }
    } else {
      return Usage("unknown option '" + std::string(arg) + "'");
    }
  }

  abacine::SetAngleMode(options.angle);
  bool allAnswered = true;
  if (expressions.empty()) expressions.push_back("-");
  for (std::string_view expression : expressions) {
    // "-" alone has no answer as an expression, so it can name standard input.
    const bool answered = expression == "-" ? EvaluateStandardInput(options) : EvaluateLine(expression, options);
    allAnswered = answered && allAnswered;
  }
  std::cout.flush();
  return allAnswered ? kExitAnswered : kExitNoAnswer;
}
