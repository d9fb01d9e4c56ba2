// Figures of the whole chain (location server, Quorvane, gpsd), each from
// whole processes on a fresh device root:
//   1. time from the program's start to gpsd's first fix, with an empty
//      tower cache and with the cells.dat a previous run left (goal < 3 s);
//   2. the program's CPU time over a minute of holding its position, next
//      to gpsd's over the same minute (goal < 0.5% of one core);
//   3. the program's resident memory after ten device minutes of the default
//      device's moving scenario, next to its memory at the first fix.
// Each figure is one long run of real processes, not a repeated operation,
// so this is a plain program rather than a Google Benchmark one.
// KELVANE_BENCH_QUICK=1 shortens every run for a quick look.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "device_chain.h"
#include "process_usage.h"

namespace {

using namespace std::chrono_literals;
using kelvane::bench::CpuSeconds;
using kelvane::bench::DeviceChain;
using kelvane::bench::ChainPort;
using kelvane::bench::FirstFix;
using kelvane::bench::kDriverPort;
using kelvane::bench::kProgramPort;
using kelvane::bench::PortName;
using kelvane::bench::StatusKb;

constexpr double kFirstFixGoalSeconds = 3.0;
constexpr double kCpuGoalPercent = 0.5;
constexpr auto kFirstFixLimit = 30s;
constexpr int kMovingTimeScale = 10;

struct Plan {
  int first_fix_runs;
  std::chrono::seconds steady;
  int moving_device_minutes;
};

Plan ChoosePlan() {
  const char* quick = std::getenv("KELVANE_BENCH_QUICK");
  if (quick && *quick && std::string(quick) != "0") return {1, 10s, 2};
  return {3, 60s, 10};
}

// The default device holding its first cell: the position never changes.
Json::Value HeldProfile() {
  Json::Value profile = kelvane::bench::DefaultDeviceProfile();
  profile["timeScale"] = 1;
  Json::Value& scenario = profile["scenario"];
  const Json::Value first = scenario["steps"][0];
  scenario["steps"] = Json::Value(Json::arrayValue);
  scenario["steps"].append(first);
  scenario["loop"] = false;
  return profile;
}

std::string Seconds(const std::optional<double>& seconds) {
  if (!seconds) return "none";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f s", *seconds);
  return text;
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

bool Ready(const DeviceChain& chain) {
  std::string why;
  if (chain.Ready(&why)) return true;
  std::printf("  chain not started: %s\n", why.c_str());
  return false;
}

// One start of the program; prints its milestones. The program's port
// (COM5) gives the figure; the GPS Intermediate Driver's is shown beside it.
std::optional<double> MeasureFirstFix(DeviceChain& chain, const char* cache) {
  const FirstFix fix = chain.StartProgram(kFirstFixLimit);
  std::printf("  %s cache: position known after %s;", cache, Seconds(fix.position_known).c_str());
  for (ChainPort port : {kProgramPort, kDriverPort})
    std::printf(" %s fix %s (gpsd reading from %s)", PortName(port), Seconds(fix.ports[port].fix).c_str(),
                Seconds(fix.ports[port].gpsd_ready).c_str());
  std::printf("\n");
  if (!fix.failure.empty()) std::printf("  %s\n%s", fix.failure.c_str(), chain.ProgramOutput().c_str());
  return fix.ports[kProgramPort].fix;
}

void PrintWorst(const char* cache, const std::vector<std::optional<double>>& runs) {
  double worst = 0;
  for (const auto& run : runs) {
    if (!run) {
      std::printf("first fix, %s cache: a run had no fix (goal < %.0f s: NOT met)\n", cache, kFirstFixGoalSeconds);
      return;
    }
    worst = std::max(worst, *run);
  }
  std::printf("first fix, %s cache: worst of %zu runs %.2f s (goal < %.0f s: %s)\n", cache, runs.size(), worst,
              kFirstFixGoalSeconds, Verdict(worst < kFirstFixGoalSeconds));
}

// Figure 2 on a chain whose program already has its fix.
void MeasureSteadyCpu(DeviceChain& chain, std::chrono::seconds steady) {
  std::this_thread::sleep_for(5s);  // past the first passes and gpsd's probing
  const pid_t pids[] = {chain.program_pid(), chain.gpsd_pid(kProgramPort), chain.gpsd_pid(kDriverPort)};
  std::optional<double> before[3], after[3];
  for (int i = 0; i < 3; ++i) before[i] = CpuSeconds(pids[i]);
  const DeviceChain::Fixes fixes = chain.WatchFixes(steady);
  for (int i = 0; i < 3; ++i) after[i] = CpuSeconds(pids[i]);
  double percent[3];
  for (int i = 0; i < 3; ++i) {
    if (!before[i] || !after[i]) {
      std::printf("CPU holding a position: not measured (a process ended)\n");
      return;
    }
    percent[i] = 100.0 * (*after[i] - *before[i]) / static_cast<double>(steady.count());
  }
  std::printf("  %d fixes from gpsd meanwhile, at %d place(s); CPU time is counted in ticks of %.3f%%\n",
              fixes.reports, fixes.places, 100.0 / static_cast<double>(sysconf(_SC_CLK_TCK) * steady.count()));
  std::printf("CPU over %lld s holding a position: Quorvane %.3f%% of one core (goal < %.1f%%: %s); "
              "peers in the same run: gpsd on COM5 %.3f%%, gpsd on GPD0 %.3f%%\n",
              static_cast<long long>(steady.count()), percent[0], kCpuGoalPercent,
              Verdict(percent[0] < kCpuGoalPercent), percent[1], percent[2]);
}

void FirstFixAndSteadyCpu(const Plan& plan) {
  std::printf("== first fix: device time scale 1, location server on loopback, gpsd -N -b on each bridged port\n");
  const std::filesystem::path saved_cache =
      std::filesystem::temp_directory_path() / ("kelvane-chain-cells-" + std::to_string(getpid()) + ".dat");
  std::vector<std::optional<double>> cold, warm;
  for (int run = 0; run < plan.first_fix_runs; ++run) {
    DeviceChain chain(HeldProfile());
    if (!Ready(chain)) return;
    cold.push_back(MeasureFirstFix(chain, "empty"));
    chain.StopProgram();
    std::error_code ec;
    if (run == 0) std::filesystem::copy_file(chain.tower_cache(), saved_cache, ec);
    if (ec) {
      std::printf("  the first run left no cells.dat: %s\n", ec.message().c_str());
      return;
    }
  }
  for (int run = 0; run < plan.first_fix_runs; ++run) {
    DeviceChain chain(HeldProfile(), saved_cache);
    if (!Ready(chain)) break;
    warm.push_back(MeasureFirstFix(chain, "warm"));
    // The last warm run goes on holding its position for the CPU figure.
    if (run + 1 == plan.first_fix_runs) {
      PrintWorst("empty", cold);
      PrintWorst("warm", warm);
      std::printf("== CPU: the program holding its position, gpsd reading each port\n");
      if (warm.back()) MeasureSteadyCpu(chain, plan.steady);
    }
  }
  std::error_code ec;
  std::filesystem::remove(saved_cache, ec);
}

void MovingMemory(const Plan& plan) {
  std::printf("== memory: the default device's scenario (four cells in a loop), device time scaled x%d, "
              "so %d device minutes pass in %d s\n",
              kMovingTimeScale, plan.moving_device_minutes, plan.moving_device_minutes * 60 / kMovingTimeScale);
  Json::Value profile = kelvane::bench::DefaultDeviceProfile();
  profile["timeScale"] = kMovingTimeScale;
  DeviceChain chain(profile);
  if (!Ready(chain)) return;
  const auto started = std::chrono::steady_clock::now();
  const FirstFix fix = chain.StartProgram(kFirstFixLimit);
  const auto rss_at_fix = StatusKb(chain.program_pid(), "VmRSS");
  if (!fix.ports[kProgramPort].fix || !rss_at_fix) {
    std::printf("  %s\n%s", fix.failure.c_str(), chain.ProgramOutput().c_str());
    return;
  }
  const auto run_for = std::chrono::seconds(plan.moving_device_minutes * 60 / kMovingTimeScale);
  const auto left = std::chrono::duration_cast<std::chrono::seconds>(run_for - (std::chrono::steady_clock::now() - started));
  const DeviceChain::Fixes fixes = chain.WatchFixes(left);
  const auto rss = StatusKb(chain.program_pid(), "VmRSS");
  const auto peak = StatusKb(chain.program_pid(), "VmHWM");
  if (!rss || !peak) {
    std::printf("  the program ended before the end of the run\n%s", chain.ProgramOutput().c_str());
    return;
  }
  std::printf("  %d fixes from gpsd meanwhile, at %d place(s)\n", fixes.reports, fixes.places);
  std::printf("Quorvane resident memory: %ld kB at the first fix, %ld kB after %d device minutes (peak %ld kB)\n",
              *rss_at_fix, *rss, plan.moving_device_minutes, *peak);
}

}  // namespace

int main() {
  setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure shows as it is measured, between the servers' messages
  const Plan plan = ChoosePlan();
  FirstFixAndSteadyCpu(plan);
  MovingMemory(plan);
  return 0;
}
