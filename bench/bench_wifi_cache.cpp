// LookupCache against a plain read of the same file. Five access points are
// looked up of which only the last is in a wifi.dat of 100 000 records, as
// its last record: each access point's search reads the file from its start,
// so the lookup reads the file five times. The peer reads the same file once
// from start to end in large blocks through the same device layer. Printed:
// the lookup's cost per access point searched over one plain read (goal: at
// most 1.5).
#include <benchmark/benchmark.h>

#include <stdio.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "bench_device.h"
#include "core/app_state.h"
#include "lookup/month_stamp.h"
#include "ratio_reporter.h"
#include "wifi/wifi_cache.h"
#include "wifi/wifi_cache_record.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kPoints = 5;

AccessPoint PointNumbered(int n) {
  const BYTE mac[kMacBytes] = {0x02, 0x00, static_cast<BYTE>(n >> 24), static_cast<BYTE>(n >> 16),
                               static_cast<BYTE>(n >> 8), static_cast<BYTE>(n)};
  AccessPoint point;
  point.mac_address = FormatMac(mac);
  return point;
}

// Distinct access points, all fresh and used this month, so a lookup
// neither refreshes nor touches anything; the list's last point is last.
void WriteCache(const std::filesystem::path& root, const AccessPointList& list) {
  std::ofstream out(root / "Program Files/Kelvane/wifi.dat", std::ios::binary | std::ios::trunc);
  WifiCacheRecord record;
  record.latitude = 55.75f;
  record.longitude = 37.6f;
  record.accuracy = 40;
  record.resolved = record.last_used = MonthStamp();
  for (int i = 0; i < kRecords; ++i) {
    const AccessPoint point = i + 1 < kRecords ? PointNumbered(1000000 + i) : list.back();
    ParseMac(point.mac_address, record.mac);
    uint8_t bytes[kWifiRecordSize];
    EncodeWifiRecord(record, bytes);
    out.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
  }
}

AccessPointList& Points() {
  static AccessPointList list = [] {
    AccessPointList points;
    for (int i = 0; i < kPoints; ++i) points.push_back(PointNumbered(i));
    return points;
  }();
  return list;
}

void BM_LookupCache(benchmark::State& state) {
  for (auto _ : state) {
    Position position = kNoPosition;
    LONG offset = 0;
    if (LookupCache(Points(), &position, &offset) != 0) {
      state.SkipWithError("the last access point was not found");
      break;
    }
    benchmark::DoNotOptimize(position);
  }
  state.SetBytesProcessed(state.iterations() * kPoints * int64_t{kRecords} * kWifiRecordSize);
}

void BM_PlainRead(benchmark::State& state) {
  for (auto _ : state) {
    const long long total = kelvane::bench::ReadWholeFile(GetAppState().settings.wifi_cache_path);
    if (total != int64_t{kRecords} * kWifiRecordSize) {
      state.SkipWithError("wifi.dat cannot be read");
      break;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kRecords} * kWifiRecordSize);
}

}  // namespace

int main(int argc, char** argv) {
  WriteCache(kelvane::bench::MakeBenchDevice(), Points());
  benchmark::RegisterBenchmark("LookupCache", BM_LookupCache);
  benchmark::RegisterBenchmark("PlainRead", BM_PlainRead);
  benchmark::Initialize(&argc, argv);
  kelvane::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  const double lookup = reporter.SecondsPerIteration("LookupCache");
  const double read = reporter.SecondsPerIteration("PlainRead");
  if (lookup > 0 && read > 0)
    std::printf("LookupCache per access point over PlainRead, %d records: %.2f (goal: at most 1.5)\n", kRecords,
                lookup / kPoints / read);
  else
    std::printf("LookupCache per access point over PlainRead: not measured\n");
  benchmark::Shutdown();
  return 0;
}
