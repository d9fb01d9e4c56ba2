#include "bench_device.h"

#include <stdio.h>
#include <stdlib.h>

#include <fstream>

namespace kelvane::bench {
namespace {

std::filesystem::path& RootFolder() {
  static std::filesystem::path root;
  return root;
}

void RemoveDevice() {
  std::error_code ec;
  std::filesystem::remove_all(RootFolder(), ec);
}

}  // namespace

std::filesystem::path MakeBenchDevice() {
  char pattern[] = "/tmp/kelvane-bench-XXXXXX";
  if (!mkdtemp(pattern)) abort();
  RootFolder() = pattern;
  std::filesystem::create_directories(RootFolder() / "Program Files/Kelvane");
  std::ofstream(RootFolder() / "Program Files/Kelvane/config.ini");  // the settings saved at exit go here
  setenv("KELVANE_DEVICE_ROOT", pattern, 1);
  atexit(RemoveDevice);
  return RootFolder();
}

const std::filesystem::path& BenchDeviceRoot() { return RootFolder(); }

long long ReadWholeFile(const WCHAR* path) {
  static char block[1 << 16];
  FILE* file = _wfopen(path, L"rb");
  if (!file) return -1;
  long long total = 0;
  for (size_t n; (n = fread(block, 1, sizeof block, file)) > 0;) total += static_cast<long long>(n);
  fclose(file);
  return total;
}

}  // namespace kelvane::bench
