#include "eval/builtin_help.h"

#include <algorithm>
#include <array>

namespace abacine {
namespace {

constexpr uint16_t kOne = 1 << 1;
constexpr uint16_t kTwo = 1 << 2;
constexpr uint16_t kThree = 1 << 3;
constexpr uint16_t kFour = 1 << 4;
constexpr uint16_t kTwoOrMore = 0x3FC;  // 2..9, and more

using enum HelpGroup;

constexpr std::array kHelp = {
    BuiltinHelp{Arithmetic, "sqrt", "sqrt(x)", kOne, "square root (also √(x))"},
    BuiltinHelp{Arithmetic, "exp", "exp(x)", kOne, "ℯ to the power x"},
    BuiltinHelp{Arithmetic, "ln", "ln(x)", kOne, "natural logarithm"},
    BuiltinHelp{Arithmetic, "log10", "log10(x)", kOne, "base-10 logarithm"},
    BuiltinHelp{Arithmetic, "abs", "abs(x)", kOne, "absolute value"},
    BuiltinHelp{Arithmetic, "sign", "sign(x)", kOne, "-1, 0 or 1 by the sign of x"},
    BuiltinHelp{Arithmetic, "floor", "floor(x)", kOne, "largest whole number <= x"},
    BuiltinHelp{Arithmetic, "ceiling", "ceiling(x)", kOne, "smallest whole number >= x"},
    BuiltinHelp{Arithmetic, "iPart", "iPart(x)", kOne, "whole part, toward zero"},
    BuiltinHelp{Arithmetic, "fPart", "fPart(x)", kOne, "fractional part, x - iPart(x)"},
    BuiltinHelp{Arithmetic, "GCD", "GCD(a, b, ...)", kTwoOrMore, "greatest common divisor of whole numbers"},
    BuiltinHelp{Arithmetic, "LCM", "LCM(a, b, ...)", kTwoOrMore, "least common multiple of whole numbers"},
    BuiltinHelp{Arithmetic, "unitStep", "unitStep(x)", kOne, "1 for x >= 0, else 0"},
    BuiltinHelp{Arithmetic, "re", "re(x)", kOne, "real part: x itself"},
    BuiltinHelp{Arithmetic, "im", "im(x)", kOne, "imaginary part: 0"},

    BuiltinHelp{Trigonometry, "sin", "sin(x)", kOne, "sine"},
    BuiltinHelp{Trigonometry, "cos", "cos(x)", kOne, "cosine"},
    BuiltinHelp{Trigonometry, "tan", "tan(x)", kOne, "tangent"},
    BuiltinHelp{Trigonometry, "csc", "csc(x)", kOne, "cosecant, 1/sin(x)"},
    BuiltinHelp{Trigonometry, "sec", "sec(x)", kOne, "secant, 1/cos(x)"},
    BuiltinHelp{Trigonometry, "cot", "cot(x)", kOne, "cotangent, 1/tan(x)"},
    BuiltinHelp{Trigonometry, "asin", "asin(x)", kOne, "inverse sine"},
    BuiltinHelp{Trigonometry, "acos", "acos(x)", kOne, "inverse cosine"},
    BuiltinHelp{Trigonometry, "atan", "atan(x)", kOne, "inverse tangent"},
    BuiltinHelp{Trigonometry, "acsc", "acsc(x)", kOne, "inverse cosecant"},
    BuiltinHelp{Trigonometry, "asec", "asec(x)", kOne, "inverse secant"},
    BuiltinHelp{Trigonometry, "acot", "acot(x)", kOne, "inverse cotangent, between 0 and a half turn"},
    BuiltinHelp{Trigonometry, "atan2", "atan2(x, y)", kTwo, "angle of the point (x, y)"},

    BuiltinHelp{Hyperbolic, "sinh", "sinh(x)", kOne, "hyperbolic sine"},
    BuiltinHelp{Hyperbolic, "cosh", "cosh(x)", kOne, "hyperbolic cosine"},
    BuiltinHelp{Hyperbolic, "tanh", "tanh(x)", kOne, "hyperbolic tangent"},
    BuiltinHelp{Hyperbolic, "csch", "csch(x)", kOne, "hyperbolic cosecant"},
    BuiltinHelp{Hyperbolic, "sech", "sech(x)", kOne, "hyperbolic secant"},
    BuiltinHelp{Hyperbolic, "coth", "coth(x)", kOne, "hyperbolic cotangent"},
    BuiltinHelp{Hyperbolic, "asinh", "asinh(x)", kOne, "inverse hyperbolic sine"},
    BuiltinHelp{Hyperbolic, "acosh", "acosh(x)", kOne, "inverse hyperbolic cosine"},
    BuiltinHelp{Hyperbolic, "atanh", "atanh(x)", kOne, "inverse hyperbolic tangent"},
    BuiltinHelp{Hyperbolic, "acsch", "acsch(x)", kOne, "inverse hyperbolic cosecant"},
    BuiltinHelp{Hyperbolic, "asech", "asech(x)", kOne, "inverse hyperbolic secant"},
    BuiltinHelp{Hyperbolic, "acoth", "acoth(x)", kOne, "inverse hyperbolic cotangent"},

    BuiltinHelp{GammaCombinatorics, "nPr", "nPr(n, r)", kTwo, "permutations: n (n-1) ... (n-r+1)"},
    BuiltinHelp{GammaCombinatorics, "nCr", "nCr(n, r)", kTwo, "combinations: n! / (r! (n-r)!)"},

    BuiltinHelp{Distributions, "NormalPdf", "NormalPdf(x [, mean, deviation])", kOne | kThree,
                "normal density"},
    BuiltinHelp{Distributions, "NormalCdf", "NormalCdf(lower, upper [, mean, deviation])", kTwo | kFour,
                "normal probability between two bounds"},
    BuiltinHelp{Distributions, "InverseNormal", "InverseNormal(p [, mean, deviation])", kOne | kThree,
                "normal quantile: the x below which the probability is p"},
    BuiltinHelp{Distributions, "StudentTPdf", "StudentTPdf(x, n)", kTwo, "Student t density, n degrees of freedom"},
    BuiltinHelp{Distributions, "StudentTCdf", "StudentTCdf(lower, upper, n)", kThree,
                "Student t probability between two bounds"},
    BuiltinHelp{Distributions, "ChiSquarePdf", "ChiSquarePdf(x, k)", kTwo, "chi-square density, k degrees of freedom"},
    BuiltinHelp{Distributions, "ChiSquareCdf", "ChiSquareCdf(lower, upper, k)", kThree,
                "chi-square probability between two bounds"},
    BuiltinHelp{Distributions, "FPdf", "FPdf(x, d1, d2)", kThree, "F density, d1 and d2 degrees of freedom"},
    BuiltinHelp{Distributions, "FCdf", "FCdf(lower, upper, d1, d2)", kFour, "F probability between two bounds"},
    BuiltinHelp{Distributions, "BinomialPdf", "BinomialPdf(n, p, k)", kThree,
                "probability of k successes in n trials"},
    BuiltinHelp{Distributions, "BinomialCdf", "BinomialCdf(n, p, k)", kThree,
                "probability of at most k successes in n trials"},
    BuiltinHelp{Distributions, "PoissonPdf", "PoissonPdf(mean, k)", kTwo, "Poisson probability of k"},
    BuiltinHelp{Distributions, "PoissonCdf", "PoissonCdf(mean, k)", kTwo, "Poisson probability of at most k"},
    BuiltinHelp{Distributions, "GeoPdf", "GeoPdf(p, k)", kTwo, "probability that trial k is the first success"},
    BuiltinHelp{Distributions, "GeoCdf", "GeoCdf(p, k)", kTwo, "probability of a first success by trial k"},

    BuiltinHelp{Wavelets, "wavelet", "wavelet(x)", kOne, "Haar wavelet: 1 on [0, 1/2], -1 on (1/2, 1], else 0"},
    BuiltinHelp{Wavelets, "wave", "wave(a, b, c)", kThree, "Haar wavelet of scale a and shift b at c"},
};

struct GroupText {
  HelpGroup group;
  std::string_view title;
  std::string_view operators;  // printed before the functions, may be empty
};

constexpr GroupText kGroups[] = {
    {Arithmetic, "Arithmetic",
     "  + - * /                           add, subtract, multiply, divide (also × ÷)\n"
     "  x^y  x²  x⁻¹                      power, square, reciprocal\n"
     "  xᴇy                               x times ten to the power y (also typed xey)\n"
     "  pi  π  ℯ                          constants; the letter e alone is a name, not ℯ\n"},
    {Trigonometry, "Trigonometry (angles in the --angle unit)", ""},
    {Hyperbolic, "Hyperbolic", ""},
    {GammaCombinatorics, "Gamma and combinatorics",
     "  n!                                factorial, Gamma(n + 1); exact for whole n\n"},
    {Distributions, "Distributions", ""},
    {Wavelets, "Wavelets", ""},
};

}  // namespace

std::span<const BuiltinHelp> BuiltinHelpTable() { return kHelp; }

const BuiltinHelp* FindBuiltinHelp(std::string_view name) {
  for (const BuiltinHelp& entry : kHelp) {
    if (entry.name == name) return &entry;
  }
  return nullptr;
}

std::string BuiltinListText() {
  std::string out;
  for (const GroupText& group : kGroups) {
    if (!out.empty()) out += '\n';
    out += group.title;
    out += ":\n";
    out += group.operators;
    for (const BuiltinHelp& entry : kHelp) {
      if (entry.group != group.group) continue;
      std::string line = "  ";
      line += entry.call;
      line.resize(std::max<size_t>(line.size() + 2, 36), ' ');
      line += entry.meaning;
      out += line;
      out += '\n';
    }
  }
  return out;
}

}  // namespace abacine
