// Evaluate beside muparser (SetExpr + Eval, the nearest peer: parse,
// compile and run from text each time) on the same inputs, plus FormatValue.
// muparser has neither '!' nor the distributions, so those lines (and the
// ones in degrees) run on our side only. Each benchmark runs five times
// unless --benchmark_repetitions says otherwise; at the end a table gives the
// median time per call of each and the ratio ours / muparser.
#include <benchmark/benchmark.h>
#include <muParser.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "engine/angle_mode.h"
#include "engine/interpreter.h"
#include "numeric/format.h"
#include "text/wstring.h"

namespace {

struct Input {
  const char* label;
  std::string text;
  bool peer;  // muparser can evaluate it too
  int32_t angle = abacine::Radians;
};

// 200 characters of arithmetic and functions that both evaluators know.
const std::string kLong =
    "sin(0.5)*cos(1.25)+sqrt(2.25)/abs(-3)-ln(7)^2+tan(0.3)*(1.5+2.5)/(3-0.5)"
    "+sinh(0.2)-cosh(0.1)*tanh(0.4)+sqrt(16)*2^3/4-abs(-1.75)+ln(2)*ln(3)/(1+"
    "2*3-4/5)+sin(1)^2+cos(1)^2-(7.5-2.25)*0.5+abs(-2.5)*4+99";

const std::vector<Input>& Inputs() {
  static const std::vector<Input> inputs = {
      {"2+3", "2+3", true},
      {"sin(30)*2+3^2/7-ln(5)", "sin(30)*2+3^2/7-ln(5)", true},
      {"200 characters", kLong, true},
      {"NormalCdf(-1,1,0,1)", "NormalCdf(-1,1,0,1)", false},
      {"5!", "5!", false},
      // The functions whose methods changed for exact and accurate results.
      {"170!", "170!", false},
      {"nCr(52,5)", "nCr(52,5)", false},
      {"nCr(60,30)", "nCr(60,30)", false},
      {"nPr(20,10)", "nPr(20,10)", false},
      {"sin(30) deg", "sin(30)", false, abacine::Degrees},
      {"sin(1.5) deg", "sin(1.5)", false, abacine::Degrees},
      {"tan(1e20) deg", "tan(100000000000000000000)", false, abacine::Degrees},
      {"cos(50) grad", "cos(50)", false, abacine::Grads},
      {"acot(10000000000)", "acot(10000000000)", false},
      {"InverseNormal(0.149095)", "InverseNormal(0.149095)", false},
      {"InverseNormal(1e-10)", "InverseNormal(0.0000000001)", false},
      {"ChiSquareCdf(0,20,10)", "ChiSquareCdf(0,20,10)", false},
      {"ChiSquareCdf(0,2000,2002)", "ChiSquareCdf(0,2000,2002)", false},
      {"PoissonCdf(3,2)", "PoissonCdf(3,2)", false},
  };
  return inputs;
}

std::u16string Widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

void BM_Evaluate(benchmark::State& state, const std::u16string text, int32_t angle) {
  abacine::SetAngleMode(angle);
  double result = 0;
  int32_t error = 0;
  for (auto _ : state) {
    bool ok = abacine::Evaluate(text.c_str(), result, error);
    benchmark::DoNotOptimize(ok);
    benchmark::DoNotOptimize(result);
  }
  abacine::SetAngleMode(abacine::Radians);
}

void BM_Muparser(benchmark::State& state, const std::string text) {
  mu::Parser parser;
  for (auto _ : state) {
    parser.SetExpr(text);
    double result = parser.Eval();
    benchmark::DoNotOptimize(result);
  }
}

void BM_FormatValue(benchmark::State& state, double value, bool fractions) {
  abacine::WString out;
  for (auto _ : state) {
    out.Assign(u"");
    abacine::FormatValue(out, value, 10, abacine::Auto, fractions);
    benchmark::DoNotOptimize(out.CStr());
  }
}

// Keeps every repetition's CPU time per iteration (ns) by name for the
// closing table, which shows their median; CPU time, since other work on the
// machine inflates wall time, and the median, since one disturbed repetition
// must not decide a figure.
class TableReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        nanoseconds_[run.benchmark_name()].push_back(run.cpu_accumulated_time * 1e9 /
                                                     static_cast<double>(run.iterations));
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  // The median of the repetitions of name (the mean of the middle two for an
  // even count); 0 when it did not run.
  double Get(const std::string& name) const {
    auto it = nanoseconds_.find(name);
    if (it == nanoseconds_.end() || it->second.empty()) return 0;
    std::vector<double> times = it->second;
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 == 1 ? times[n / 2] : 0.5 * (times[n / 2 - 1] + times[n / 2]);
  }

 private:
  std::map<std::string, std::vector<double>> nanoseconds_;
};

}  // namespace

int main(int argc, char** argv) {
  // Every input must evaluate on both sides before it is timed.
  for (const Input& input : Inputs()) {
    double ours = 0;
    int32_t error = 0;
    abacine::SetAngleMode(input.angle);
    const bool answered = abacine::Evaluate(Widen(input.text).c_str(), ours, error);
    abacine::SetAngleMode(abacine::Radians);
    if (!answered) {
      std::fprintf(stderr, "no answer for %s (code %d)\n", input.label, error);
      return 1;
    }
    if (input.peer) {
      mu::Parser parser;
      parser.SetExpr(input.text);
      const double theirs = parser.Eval();
      std::printf("%-24s ours %.17g  muparser %.17g\n", input.label, ours, theirs);
    } else {
      std::printf("%-24s ours %.17g\n", input.label, ours);
    }
  }
  if (kLong.size() != 200) {
    std::fprintf(stderr, "the long input has %zu characters, not 200\n", kLong.size());
    return 1;
  }

  for (const Input& input : Inputs()) {
    benchmark::RegisterBenchmark((std::string("Evaluate/") + input.label).c_str(), BM_Evaluate, Widen(input.text),
                                 input.angle);
    if (input.peer) {
      benchmark::RegisterBenchmark((std::string("muparser/") + input.label).c_str(), BM_Muparser, input.text);
    }
  }
  benchmark::RegisterBenchmark("FormatValue/1/3", BM_FormatValue, 1.0 / 3.0, false);
  benchmark::RegisterBenchmark("FormatValue/1/3 fractions", BM_FormatValue, 1.0 / 3.0, true);
  benchmark::RegisterBenchmark("FormatValue/6.02e23", BM_FormatValue, 6.02e23, false);
  benchmark::RegisterBenchmark("FormatValue/1.25 fractions", BM_FormatValue, 1.25, true);

  // Five repetitions unless the command line chooses.
  std::vector<char*> args(argv, argv + argc);
  char defaultRepetitions[] = "--benchmark_repetitions=5";
  if (std::none_of(args.begin(), args.end(),
                   [](const char* a) { return std::strncmp(a, "--benchmark_repetitions", 23) == 0; })) {
    args.push_back(defaultRepetitions);
  }
  int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  benchmark::Initialize(&count, args.data());
  TableReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  std::printf("\n%-26s %14s %14s %10s\n", "input (median CPU time)", "ours ns/call", "muparser ns", "ours/mup");
  for (const Input& input : Inputs()) {
    const double ours = reporter.Get(std::string("Evaluate/") + input.label);
    if (input.peer) {
      const double theirs = reporter.Get(std::string("muparser/") + input.label);
      std::printf("%-26s %14.1f %14.1f %10.3f\n", input.label, ours, theirs, theirs > 0 ? ours / theirs : 0.0);
    } else {
      std::printf("%-26s %14.1f %14s %10s\n", input.label, ours, "(n/a)", "-");
    }
  }
  for (const char* name : {"FormatValue/1/3", "FormatValue/1/3 fractions", "FormatValue/6.02e23",
                           "FormatValue/1.25 fractions"}) {
    std::printf("%-26s %14.1f\n", name, reporter.Get(name));
  }
  return 0;
}
