// Runs the built abacine-eval program the way a user does and checks its
// output lines, standard error and exit status.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "support/process.h"

namespace {

using namespace std::string_literals;

struct Outcome {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs the program with args, standard input from input, and collects both
// output streams and the exit status.
Outcome RunEval(const std::vector<std::string>& args, const std::string& input = "") {
  std::vector<std::string> argv = {abacine::testing::BinPath("abacine-eval")};
  argv.insert(argv.end(), args.begin(), args.end());
  const abacine::testing::ProcessResult run = abacine::testing::RunProcess(argv, input);
  return {run.status, run.out, run.err};
}

struct Row {
  std::vector<std::string> args;
  std::string out;
  int status;
  std::string err = "";
  std::string input = "";  // standard input
};

// One output line per input line, an empty one where there is no answer
// (and why, where and its code on standard error); exit status 1 if any
// input had none.
TEST(EvalProcessTest, OutputLinesErrorsAndStatus) {
  const Row rows[] = {
      {{"2+3"}, "5\n", 0},                  {{"1/3"}, "0.3333333333\n", 0},
      {{"2*pi"}, "6.2831853072\n", 0},      {{"-2+3"}, "1\n", 0},
      {{"--", "--5"}, "5\n", 0},            {{"3!-1"}, "5\n", 0},
      {{"2+3", "7/2", "2^10"}, "5\n3.5\n1024\n", 0},
      {{"1/0"}, "\n", 1, "no answer: division by zero or overflow (code 18)\n"},
      {{"2+"}, "\n", 1, "no answer: '+' at 2 has no value after it (code 1)\n"},
      {{""}, "\n", 1, "no answer: the input is empty (code 16)\n"},
      {{"x+1"}, "\n", 1, "no answer: unknown name 'x' at 1 (variables have no value) (code 4)\n"},
      {{"{1,2}"}, "\n", 1, "no answer: a list at 5 has no single value (code 19)\n"},
      {{"sin 30"}, "\n", 1, "no answer: 'sin' at 1 must be followed directly by '(' (code 6)\n"},
      {{"2+3", "1/0", "7/2"}, "5\n\n3.5\n", 1, "no answer: division by zero or overflow (code 18)\n"},
      {{"--angle", "deg"}, "5\n\n0.5\n\n3.5\n", 1,
       "no answer: division by zero or overflow (code 18)\nno answer: the input is empty (code 16)\n",
       "2+3\n1/0\r\nsin(30)\n\n7/2"},
      {{}, "2\n6\n", 0, "", "1+1\n2*3\n"},      {{}, "", 0, "", ""},
      // Messages with the place, in columns of the typed line.
      {{"log(100)"}, "\n", 1, "no answer: unknown name 'log' at 1 (did you mean log10?) (code 4)\n"},
      {{"(1+2))"}, "\n", 1, "no answer: unbalanced ')' at 6 (code 5)\n"},
      {{"π⁻¹+ж"}, "\n", 1, "no answer: unknown character 'ж' at 5 (code 4)\n"},
      {{"]"}, "\n", 1, "no answer: ']' at 1 has no '[' to close (code 3)\n"},
      {{"0/0"}, "\n", 1, "no answer: undefined value, outside a function's domain (like sqrt(-1)) or 0/0 (code 18)\n"},
      {{"nCr(5,-1)"}, "\n", 1, "no answer: no value for nCr at 1 with these arguments; it is nCr(n, r) (code 19)\n"},
      // "-" reads standard input where it stands; a second one finds its end.
      {{"1", "-", "4", "-"}, "1\n2\n3\n4\n", 0, "", "2\n3\n"},
      {{"--", "-"}, "7\n", 0, "", "7\n"},
      // Typed forms, and texts with another meaning left alone.
      {{"1e5", "2.5E-3", "6e+2", "−3+1", "1\t+\t2"}, "100000\n0.0025\n600\n-2\n3\n", 0},
      {{"2exp(1)"}, "5.4365636569\n", 0},
      {{"x1e5"}, "\n", 1, "no answer: unknown name 'x1e5' at 1 (code 4)\n"},
      {{"1e5x"}, "\n", 1, "no answer: unknown name 'e5x' at 2 (code 4)\n"},
      {{"2e"}, "\n", 1, "no answer: unknown name 'e' at 2 (did you mean ℯ, Euler's number?) (code 4)\n"},
      // The mended numbers as a user sees them.
      {{"floor(7!)", "3!-6", "nCr(60,30)"}, "5040\n0\n1.1826458156ᴇ17\n", 0},
      {{"--exact", "nCr(60,30)", "170!"}, "1.1826458156486142e+17\n7.257415615307999e+306\n", 0},
      {{"InverseNormal(0.149095)"}, "-1.040322703\n", 0},  // -1.040322704 without the refinement
      {{"--angle", "deg", "sin(180)", "floor(2sin(30))", "sin(100000000000000000000)"}, "0\n1\n-0.984807753\n", 0},
      {{"--angle", "deg", "tan(90)"}, "\n", 1, "no answer: division by zero or overflow (code 18)\n"},
      {{"acot(10000000000)"}, "1ᴇ-10\n", 0},
      {{"ChiSquareCdf(0,2000,2002)"}, "0.4915906328\n", 0},
      // Readable signs both ways.
      {{"2ᴇ3"}, "2000\n", 0},               {{"2π"}, "6.2831853072\n", 0},
      {{"ℯ^(2)"}, "7.3890560989\n", 0},     {{"√(16)"}, "4\n", 0},
      {{"3²"}, "9\n", 0},                   {{"4⁻¹"}, "0.25\n", 0},
      {{"2×3÷4"}, "1.5\n", 0},              {{"2\xC2\x80" "3"}, "2000\n", 0},
      {{"10^10"}, "1ᴇ10\n", 0},             {{"2ᴇ-10"}, "2ᴇ-10\n", 0},
      {{"1000000001"}, "1.000000001ᴇ9\n", 0},
      {{"□"}, "\n", 1, "no answer: the placeholder □ at 1 has no value (code 4)\n"},
      {{"∫(4)"}, "\n", 1, "no answer: '∫' at 1 has no numeric value (code 19)\n"},
      {{"2′"}, "\n", 1, "no answer: a prime mark at 2 has no numeric meaning (code 19)\n"},  // not an unknown character
      {{"2+\xFF", "1+1"}, "\n2\n", 1, "no answer: invalid UTF-8 at byte 3\n"},
      {{}, "\n3\n", 1, "no answer: invalid UTF-8 at byte 1\n", "\xC3\n3\n"},
      // A NUL is a character like any other the calculator does not know:
      // it neither ends the line nor reaches the terminal as it is.
      {{}, "\n", 1, "no answer: unknown character '\\x00' at 4 (code 4)\n", "2+3\0garbage\n"s},
      {{}, "\n7\n", 1, "no answer: unknown character '\\x00' at 1 (code 4)\n", "\0\n7\n"s},
      {{}, "\n", 1, "no answer: unknown character '\\x1b' at 2 (code 4)\n", "1\x1b[31m\n"s},
      // Fractions, exact values and angle units.
      {{"1.25"}, "1.25\n", 0},              {{"--fractions", "1.25"}, "5/4\n", 0},
      {{"--fractions", "0.1+0.2"}, "3/10\n", 0}, {{"--fractions", "-0.5"}, "-1/2\n", 0},
      {{"--fractions", "pi"}, "3.1415926536\n", 0}, {{"--exact", "0.1+0.2"}, "0.30000000000000004\n", 0},
      {{"--exact", "--angle", "deg", "sin(30)"}, "0.5\n", 0},  {{"--exact", "3!"}, "6\n", 0},
      {{"--exact", "2+3"}, "5\n", 0},
      // --exact with --fractions prints both: the answer text, a tab, the value.
      {{"--fractions", "--exact", "1.25", "1/3"}, "5/4\t1.25\n1/3\t0.33333333333333331\n", 0},
      {{"--exact", "--fractions", "pi"}, "3.1415926536\t3.1415926535897931\n", 0},       {{"asin(1)"}, "1.5707963268\n", 0},
      {{"--angle", "rad", "asin(1)"}, "1.5707963268\n", 0}, {{"--angle", "deg", "asin(1)"}, "90\n", 0},
      {{"--angle=grad", "asin(1)"}, "100\n", 0}, {{"--angle", "deg", "sin(30)", "cos(60)"}, "0.5\n0.5\n", 0},
  };
  for (const Row& row : rows) {
    std::string trace;
    for (const std::string& arg : row.args) trace += "[" + arg + "] ";
    SCOPED_TRACE(trace + "input [" + row.input + "]");
    const Outcome outcome = RunEval(row.args, row.input);
    EXPECT_EQ(outcome.out, row.out);
    EXPECT_EQ(outcome.err, row.err);
    EXPECT_EQ(outcome.status, row.status);
  }
}

// A line far longer than any input the engine takes is refused as it
// passes the limit, without being held: memory stays flat, and the lines
// after it are answered.
TEST(EvalProcessTest, HugeLineIsRefusedWithoutBeingHeld) {
  const std::string input = ::testing::TempDir() + "abacine_eval_huge_line";
  // Written in pieces, so that this process never holds it (a child's peak
  // memory counts its parent's too).
  auto run = [&](size_t ones) {
    {
      std::ofstream out(input, std::ios::binary);
      const std::string piece(1 << 16, '1');
      for (size_t left = ones; left > 0; left -= std::min(left, piece.size())) {
        out.write(piece.data(), static_cast<std::streamsize>(std::min(left, piece.size())));
      }
      out << "\n2+3\n";
    }
    const std::string out = input + ".out", err = input + ".err";
    Outcome outcome;
    long peakKb = 0;
    outcome.status = abacine::testing::WaitProcess(
        abacine::testing::StartProcess({abacine::testing::BinPath("abacine-eval")}, input, out, err),
        std::chrono::seconds(60), &peakKb);
    outcome.out = abacine::testing::ReadWholeFile(out);
    outcome.err = abacine::testing::ReadWholeFile(err);
    for (const std::string& path : {input, out, err}) unlink(path.c_str());
    return std::pair{outcome, peakKb};
  };
  const auto [small, smallPeakKb] = run(3);
  EXPECT_EQ(small.out, "111\n5\n");
  const auto [huge, hugePeakKb] = run(size_t{64} << 20);
  EXPECT_EQ(huge.out, "\n5\n");
  EXPECT_EQ(huge.err, "no answer: the input is too long (code 4)\n");
  EXPECT_EQ(huge.status, 1);
  // Half the line: room for the bounded buffer (and a sanitizer's
  // bookkeeping of it), none for the line itself.
  EXPECT_LT(hugePeakKb - smallPeakKb, 32 * 1024) << "peak KiB " << hugePeakKb << " against " << smallPeakKb;
}

TEST(EvalProcessTest, BadOptionsExitWithTwo) {
  const std::vector<std::string> bad[] = {
      {"--bogus", "2+3"}, {"--angle"}, {"--angle", "turns", "1"}, {"--angle=", "1"}, {"2+3", "--exactly"},
  };
  for (const std::vector<std::string>& args : bad) {
    SCOPED_TRACE(args[0]);
    const Outcome outcome = RunEval(args);
    EXPECT_EQ(outcome.status, 2);
    EXPECT_EQ(outcome.out, "");
    EXPECT_NE(outcome.err.find("abacine-eval: "), std::string::npos) << outcome.err;
    EXPECT_NE(outcome.err.find("--help"), std::string::npos) << outcome.err;
  }
}

TEST(EvalProcessTest, HelpListAndVersion) {
  const Outcome help = RunEval({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* word : {"--angle", "--fractions", "--exact", "--list", "--version", "ᴇ", "π", "ℯ", "√", "²",
                           "⁻¹", "∫", "□", "′", "×", "÷", "code", "Exit status", "1e5", "U+2212", "\"-\""}) {
    EXPECT_NE(help.out.find(word), std::string::npos) << word;
  }
  EXPECT_EQ(RunEval({"-h"}).out, help.out);
  const Outcome list = RunEval({"--list"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.err, "");
  for (const char* line : {"Arithmetic:", "Trigonometry", "Hyperbolic:", "Gamma and combinatorics:",
                           "Distributions:", "  log10(x) ", "  nCr(n, r) ", "  NormalCdf(lower, upper [, mean, deviation]) ",
                           "  acoth(x) ", "  atan2(x, y) "}) {
    EXPECT_NE(list.out.find(line), std::string::npos) << line;
  }
  const Outcome version = RunEval({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("abacine-eval ", 0), 0u) << version.out;
}

}  // namespace
