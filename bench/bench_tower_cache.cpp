// LookupTower against a plain read of the same file. A lookup of a cell that
// is not cached scans the whole of cells.dat, record by record, under the
// cache lock; the peer reads the same file once from start to end in large
// blocks through the same device layer. Both run for caches of 1 000, 10 000
// and 100 000 records, and the ratio (search over read) is printed per size:
// what the record-by-record search costs beyond moving the bytes.
#include <benchmark/benchmark.h>

#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/app_state.h"
#include "lookup/month_stamp.h"
#include "lookup/tower_cache.h"
#include "lookup/tower_cache_record.h"
#include "bench_device.h"
#include "ratio_reporter.h"

namespace {

const int kSizes[] = {1000, 10000, 100000};

std::filesystem::path CacheHostPath() {
  return kelvane::bench::BenchDeviceRoot() / "Program Files/Kelvane/cells.dat";
}

// cells.dat with `count` distinct cells, all fresh and used this month, so a
// lookup neither refreshes nor touches anything.
void UseCacheOf(int count) {
  std::error_code ec;
  if (std::filesystem::file_size(CacheHostPath(), ec) == static_cast<uintmax_t>(count) * kTowerRecordSize) return;
  std::ofstream out(CacheHostPath(), std::ios::binary | std::ios::trunc);
  TowerCacheRecord record;
  record.country = 262;
  record.network = 1;
  record.resolved = record.last_used = MonthStamp();
  for (int i = 0; i < count; ++i) {
    record.area = i / 100;
    record.cell_id = i;
    uint8_t bytes[kTowerRecordSize];
    EncodeTowerRecord(record, bytes);
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
}

void BM_LookupTower(benchmark::State& state) {
  UseCacheOf(static_cast<int>(state.range(0)));
  CellRecord absent;
  absent.country = 262;
  absent.network = 1;
  absent.area = 1;
  absent.cell_id = -5;
  for (auto _ : state) {
    Position position = kNoPosition;
    LONG offset = 0;
    benchmark::DoNotOptimize(LookupTower(absent, &position, &offset));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * kTowerRecordSize);
}

void BM_PlainRead(benchmark::State& state) {
  UseCacheOf(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    const long long total = kelvane::bench::ReadWholeFile(GetAppState().settings.tower_cache_path);
    if (total < 0) {
      state.SkipWithError("cells.dat cannot be opened");
      break;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * kTowerRecordSize);
}

}  // namespace

int main(int argc, char** argv) {
  kelvane::bench::MakeBenchDevice();
  for (int size : kSizes) {
    benchmark::RegisterBenchmark("LookupTower", BM_LookupTower)->Arg(size);
    benchmark::RegisterBenchmark("PlainRead", BM_PlainRead)->Arg(size);
  }
  benchmark::Initialize(&argc, argv);
  kelvane::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  // The search's cost over the raw read's. The goal, at 100 000 records: at
  // most 1.5, the search being one sequential pass over the file.
  for (int size : kSizes) {
    const std::string suffix = "/" + std::to_string(size);
    const double search = reporter.SecondsPerIteration("LookupTower" + suffix);
    const double read = reporter.SecondsPerIteration("PlainRead" + suffix);
    if (search <= 0 || read <= 0) {
      std::printf("LookupTower over PlainRead, %d records: not measured\n", size);
      continue;
    }
    const double ratio = search / read;
    const char* goal = size != 100000 ? "" : ratio <= 1.5 ? " (goal at most 1.50: met)" : " (goal at most 1.50: not met)";
    std::printf("LookupTower over PlainRead, %d records: %.2f%s\n", size, ratio, goal);
  }
  benchmark::Shutdown();
  return 0;
}
