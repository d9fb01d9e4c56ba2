// A console reporter that also keeps each benchmark's time per iteration, so
// a benchmark program can print how Kelvane compares with its peer.
#ifndef KELVANE_BENCH_RATIO_REPORTER_H
#define KELVANE_BENCH_RATIO_REPORTER_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace kelvane::bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override;
  // Real seconds per iteration of the benchmark with this name (its first
  // run), or 0 when it did not run.
  double SecondsPerIteration(const std::string& name) const;

 private:
  std::map<std::string, double> seconds_;
};

// Prints "what: ours / peer = ratio (goal)" from the two benchmarks' times.
// `higher_is_better` compares rates (the inverse of times).
void PrintRatio(const RatioReporter& reporter, const std::string& what, const std::string& ours,
                const std::string& peer, bool higher_is_better);

}  // namespace kelvane::bench

#endif
