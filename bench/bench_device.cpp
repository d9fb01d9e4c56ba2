#include "bench_device.h"

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

}  // namespace kelvane::bench
