// A device root of the benchmark's own, with the program's folder and an
// empty config.ini, chosen before the first device call reads it and removed
// at exit (after the application state has saved its settings there).
#ifndef KELVANE_BENCH_BENCH_DEVICE_H
#define KELVANE_BENCH_BENCH_DEVICE_H

#include <windows.h>

#include <filesystem>

namespace kelvane::bench {

std::filesystem::path MakeBenchDevice();
// The root MakeBenchDevice made.
const std::filesystem::path& BenchDeviceRoot();

// The peer of the cache benchmarks: reads the whole file at that device path
// in 64 KiB blocks through the device layer's streams. The bytes read, or -1
// when it does not open.
long long ReadWholeFile(const WCHAR* path);

}  // namespace kelvane::bench

#endif
