#include "ratio_reporter.h"

#include <cstdio>

namespace kelvane::bench {

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.iterations > 0 && !seconds_.count(run.benchmark_name()))
      seconds_[run.benchmark_name()] = run.real_accumulated_time / static_cast<double>(run.iterations);
  }
  ConsoleReporter::ReportRuns(runs);
}

double RatioReporter::SecondsPerIteration(const std::string& name) const {
  for (const auto& [run_name, seconds] : seconds_)
    if (run_name.rfind(name, 0) == 0) return seconds;
  return 0;
}

void PrintRatio(const RatioReporter& reporter, const std::string& what, const std::string& ours,
                const std::string& peer, bool higher_is_better) {
  const double our_time = reporter.SecondsPerIteration(ours);
  const double peer_time = reporter.SecondsPerIteration(peer);
  if (our_time <= 0 || peer_time <= 0) {
    std::printf("%s: not measured\n", what.c_str());
    return;
  }
  // A rate ratio is the inverse of the time ratio.
  const double ratio = higher_is_better ? peer_time / our_time : our_time / peer_time;
  const bool met = higher_is_better ? ratio >= 1.0 : ratio <= 1.0;
  std::printf("%s: %s / %s = %.2f (goal %s 1.00: %s)\n", what.c_str(), ours.c_str(), peer.c_str(), ratio,
              higher_is_better ? ">=" : "<=", met ? "met" : "NOT met");
}

}  // namespace kelvane::bench
