// What the cache benchmarks share: a device root of their own and the peer
// they measure against, a plain read of a whole file through the device layer.
#ifndef KELVANE_BENCH_BENCH_DEVICE_H
#define KELVANE_BENCH_BENCH_DEVICE_H

#include <windows.h>

#include <filesystem>

namespace kelvane::bench {

// Makes a temporary device root with the program's folder and points the
// device layer at it; call before the first device call. Removed at exit
// after the application state (created later, so destroyed earlier) has
// saved its settings there.
void MakeBenchDevice();
// The program's folder on the host ("Program Files/Kelvane" of the root).
std::filesystem::path ProgramFolder();
// Reads the whole file in large blocks through the device layer's streams;
// the bytes read, or -1 when it does not open.
long long ReadWholeFile(const WCHAR* path);

}  // namespace kelvane::bench

#endif
