// A device root of the benchmark's own, with the program's folder and an
// empty config.ini, chosen before the first device call reads it and removed
// at exit (after the application state has saved its settings there).
#ifndef KELVANE_BENCH_BENCH_DEVICE_H
#define KELVANE_BENCH_BENCH_DEVICE_H

#include <filesystem>

namespace kelvane::bench {

std::filesystem::path MakeBenchDevice();

}  // namespace kelvane::bench

#endif
