// The memory-scan source's search for the radio's table against memchr. Both
// read the whole simulated kernel half (about 2 GB, every byte readable, the
// table near the end) in the same overlapping 256 KB chunks through
// ReadProcessMemory, so the device's cost of making the bytes counts in both;
// the peer looks for a byte that never occurs, so memchr passes every byte.
// Goal: the scan at least half as fast as memchr. Also timed: an Open that
// confirms a stored table place with one read.
#include <benchmark/benchmark.h>

#include <windows.h>
#include <pkfuncs.h>

#include <stdio.h>
#include <string.h>

#include <fstream>
#include <string>

#include "bench_device.h"
#include "cell/mem_cell_source.h"
#include "internal/address_space.h"
#include "ratio_reporter.h"
#include "settings/config_file.h"

namespace {

constexpr uint32_t kTable = 0xFFE40015u;  // near the end of the scanned range
constexpr uint64_t kScanStart = 0x80000000u;
constexpr uint64_t kScanEnd = 0xFFFBFFFEu;
constexpr DWORD kChunkSize = 0x40000;
constexpr DWORD kChunkAdvance = kChunkSize - 32;
constexpr double kSpeedGoal = 0.5;

void WriteDevice(const std::filesystem::path& root) {
  std::ofstream(root / "device.json") << R"({
    "processor": {"name": "OMAP850", "vendor": "Texas Instruments", "core": "ARM926EJ-S"},
    "sim": {"imsi": "250011234567890"},
    "memory": {
      "regions": [{"start": "0x80000000", "size": "0x80000000"}],
      "radioTable": {"address": ")" + std::to_string(kTable) + R"(", "step": 72, "mcc": 250, "mnc": 1}},
    "scenario": {"steps": [{"duration": 100000000,
      "serving": {"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40031, "signal": 20},
      "neighbours": [{"mcc": 250, "mnc": 1, "lac": 7712, "cellId": 40032, "signal": 14}]}]}})";
}

// An open source: its home codes are read, the table's place stored.
MemCellSource& Source() {
  static MemCellSource* source = [] {
    auto* s = new MemCellSource;
    WriteNumber(L"MemPointer", kTable);
    WriteNumber(L"MemStep", 72);
    if (s->Open() != 0) abort();
    return s;
  }();
  return *source;
}

void BM_ScanForTable(benchmark::State& state) {
  MemCellSource& source = Source();
  const BOOL mode = SetKMode(TRUE);
  for (auto _ : state)
    if (!source.ScanForTable()) state.SkipWithError("the table was not found");
  SetKMode(mode);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kScanEnd - kScanStart));
}

void BM_Memchr(benchmark::State& state) {
  static char buffer[kChunkSize];
  const BOOL mode = SetKMode(TRUE);
  for (auto _ : state) {
    size_t found = 0;
    for (uint64_t address = kScanStart; address < kScanEnd; address += kChunkAdvance) {
      DWORD read = 0;
      if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)), buffer,
                             kChunkSize, &read))
        continue;
      found += memchr(buffer, kelvane::kAbsentFillerByte, kChunkAdvance) != nullptr;
    }
    benchmark::DoNotOptimize(found);
  }
  SetKMode(mode);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(kScanEnd - kScanStart));
}

void BM_OpenStored(benchmark::State& state) {
  Source();  // stores the place
  for (auto _ : state) {
    MemCellSource source;
    if (source.Open() != 0) state.SkipWithError("the stored place was not confirmed");
  }
}

}  // namespace

int main(int argc, char** argv) {
  WriteDevice(kelvane::bench::MakeBenchDevice());
  benchmark::RegisterBenchmark("ScanForTable", BM_ScanForTable)->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::RegisterBenchmark("Memchr", BM_Memchr)->Unit(benchmark::kMillisecond)->Iterations(3);
  benchmark::RegisterBenchmark("OpenStored", BM_OpenStored)->Unit(benchmark::kMicrosecond);
  benchmark::Initialize(&argc, argv);
  kelvane::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double scan = reporter.SecondsPerIteration("ScanForTable");
  const double peer = reporter.SecondsPerIteration("Memchr");
  if (scan > 0 && peer > 0) {
    const double speed = peer / scan;
    printf("ScanForTable speed over memchr's: %.2f (goal >= %.2f: %s)\n", speed, kSpeedGoal,
           speed >= kSpeedGoal ? "met" : "NOT met");
  } else {
    printf("ScanForTable speed over memchr's: not measured\n");
  }
  const double open = reporter.SecondsPerIteration("OpenStored");
  if (open > 0) printf("Open with a stored table place: %.1f us\n", open * 1e6);
  benchmark::Shutdown();
  return 0;
}
