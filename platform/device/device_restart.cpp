// The device's restart: programs closed, memory state dropped, clock reset.
#include "internal/device_restart.h"

#include "internal/device_clock.h"
#include "internal/device_root.h"
#include "internal/device_windows.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

namespace kelvane {
namespace {

using Programs = std::map<pid_t, TopLevelEntry>;  // one window per program is enough to know it

// The other programs on the device: every process with a top-level window.
Programs OtherPrograms(const DeviceWindowTable& table) {
  Programs programs;
  for (const auto& entry : table.windows)
    if (entry.pid != getpid()) programs.emplace(entry.pid, entry);
  return programs;
}

void CloseWindowsOf(const DeviceWindowTable& table, pid_t pid) {
  for (const auto& entry : table.windows) {
    if (entry.pid != pid) continue;
    char line[80];
    std::snprintf(line, sizeof line, "post %llx %u 0 0\n",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(entry.hwnd)), WM_CLOSE);
    if (!WriteToProcessPort(pid, line))
      std::fprintf(stderr, "device: restart: process %d does not take WM_CLOSE\n", static_cast<int>(pid));
  }
}

bool AnyRuns(const Programs& programs) {
  for (const auto& [pid, entry] : programs)
    if (ProcessRuns(pid, entry.started)) return true;
  return false;
}

void WaitUntilGone(const Programs& programs, std::chrono::steady_clock::time_point deadline) {
  while (AnyRuns(programs) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void CloseOtherPrograms() {
  DeviceWindowTable table;
  {
    DeviceWindowsLock lock;  // a root that cannot be locked reads empty
    table = lock.Read();
  }
  const Programs programs = OtherPrograms(table);
  if (programs.empty()) return;
  for (const auto& [pid, entry] : programs) CloseWindowsOf(table, pid);
  WaitUntilGone(programs, HostDeadline(kCloseGraceMs));
  for (const auto& [pid, entry] : programs) {
    if (!ProcessRuns(pid, entry.started)) continue;
    std::fprintf(stderr, "device: restart: process %d did not close; it is ended\n", static_cast<int>(pid));
    kill(pid, SIGKILL);
  }
  // An ended process leaves at once; the wait only covers the kernel's reaping.
  WaitUntilGone(programs, std::chrono::steady_clock::now() + std::chrono::seconds(5));
}

// The device's memory: links of bridged ports, the window table and ports,
// the screen.
void DropMemoryState() {
  const auto root = DeviceRoot();
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(root / "dev", ec))
    std::filesystem::remove(entry.path(), ec);
  std::filesystem::remove_all(root / "display", ec);
  std::filesystem::remove(root / "screen.txt", ec);
}

}  // namespace

void RestartDevice() {
  CloseOtherPrograms();
  DropMemoryState();
  RebootDeviceClock();
}

}  // namespace kelvane
