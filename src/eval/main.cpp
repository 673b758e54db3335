// abacine-eval: the calculator's engine and answer formatting on the command
// line. Each argument, or each line of standard input when there are none,
// is one input line; the output is one line per input: the text the answer
// display would show, or an empty line when there is no answer.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/angle_mode.h"
#include "engine/interpreter.h"
#include "text/sign_text.h"
#include "numeric/format.h"
#include "text/wstring.h"

#ifndef ABACINE_VERSION
#define ABACINE_VERSION "unknown"
#endif

namespace {

constexpr int kExitAnswered = 0;
constexpr int kExitNoAnswer = 1;
constexpr int kExitUsage = 2;

constexpr const char* kHelp = R"HELP(Usage: abacine-eval [OPTION]... [EXPRESSION]...
Evaluate calculator expressions as the Abacine answer display shows them.

Each EXPRESSION argument is one input line. With no EXPRESSION, each line of
standard input is one (a trailing carriage return is ignored). For every input
line one output line is printed: the answer text (up to ten digits, exponent
form outside 1e-9..1e9, or a fraction with options), or an empty line when the
input has no answer; then standard error says "no answer (code N)".

Options:
  --angle rad|deg|grad  angle unit of the trigonometric functions (default rad);
                        also --angle=deg
  --fractions           show answers as fractions with numerator and
                        denominator below 100 where one fits (5/4, not 1.25)
  --exact               print the value itself with 17 significant digits
                        instead of the answer text
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

Failure codes:
  1  operands and operators do not add up      3  ']' with no open '['
  4  misplaced ',', '[' or '}', a sign without '(', a bad number, a character
     the calculator does not know, or a name with no value (x, abc, □)
  5  a closing bracket with no matching opener
  6  a function name not followed by '('       16 empty input
  18 the value is infinite or not a number (1/0, ln(0), sqrt(-1))
  19 no numeric meaning: lists, '=', symbolic functions, primes, indexes,
     a wrong number of arguments, GCD/LCM of non-whole numbers

Exit status: 0 when every input has an answer, 1 when some input has none
(or is not valid UTF-8), 2 for a usage error.
)HELP";

struct Options {
  int32_t angle = abacine::Radians;
  bool fractions = false;
  bool exact = false;
};

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
    std::cerr << "no answer (invalid UTF-8 at byte " << badOffset << ")\n";
    return false;
  }
  double value = 0;
  int32_t error = 0;
  if (!abacine::Evaluate(text.c_str(), value, error)) {
    std::cout << '\n' << std::flush;
    std::cerr << "no answer (code " << error << ")\n";
    return false;
  }
  if (options.exact) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 17);
    std::cout << std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)) << '\n';
  } else {
    abacine::WString answer;
    abacine::FormatValue(answer, value, 10, abacine::Auto, options.fractions);
    std::cout << abacine::CalcTextToUtf8(answer.View()) << '\n';
  }
  return true;
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
  if (!expressions.empty()) {
    for (std::string_view expression : expressions) allAnswered = EvaluateLine(expression, options) && allAnswered;
  } else {
    std::string line;
    while (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      allAnswered = EvaluateLine(line, options) && allAnswered;
    }
  }
  std::cout.flush();
  return allAnswered ? kExitAnswered : kExitNoAnswer;
}
