// The console table as usual, then our figures beside the peers'. Each
// benchmark's figure is its CPU time per iteration (the machine may be
// shared: wall time would count the neighbours), the best of the
// repetitions (--benchmark_repetitions=N), the run least disturbed; with
// --benchmark_report_aggregates_only, the median of them.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace abacine::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      std::string name = r.run_name.function_name;
      if (!r.run_name.args.empty()) name += "/" + r.run_name.args;
      const double ns = r.GetAdjustedCPUTime() * Nanoseconds(r.time_unit);
      if (r.run_type == Run::RT_Aggregate) {
        if (r.aggregate_name == "median") medians_[name] = ns;
        continue;
      }
      if (r.iterations == 0) continue;
      const auto it = best_.find(name);
      if (it == best_.end() || ns < it->second) best_[name] = ns;
    }
  }

  // Nanoseconds per iteration of a benchmark ("BM_Name" or "BM_Name/arg");
  // 0 when it did not run.
  double Ns(const std::string& name) const {
    if (const auto it = best_.find(name); it != best_.end()) return it->second;
    if (const auto it = medians_.find(name); it != medians_.end()) return it->second;
    return 0.0;
  }

  // One line: our time, the peer's, the ratio and the goal, when both ran.
  void Ratio(const char* what, const char* ours, const char* peer, const char* goal = "") const {
    const double a = Ns(ours), b = Ns(peer);
    if (a > 0 && b > 0) {
      std::printf("%-48s %10.1f us vs %10.1f us  ratio %5.2f  %s\n", what, a / 1000, b / 1000, a / b, goal);
    }
  }

  // One line: our time alone.
  void Time(const char* what, const char* ours, const char* goal = "") const {
    if (Ns(ours) > 0) std::printf("%-48s %10.1f us  %s\n", what, Ns(ours) / 1000, goal);
  }

 private:
  static double Nanoseconds(benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kSecond: return 1e9;
      case benchmark::kMillisecond: return 1e6;
      case benchmark::kMicrosecond: return 1e3;
      default: return 1.0;
    }
  }

  std::map<std::string, double> best_;
  std::map<std::string, double> medians_;
};

}  // namespace abacine::bench
