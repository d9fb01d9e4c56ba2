// The device's top-level windows, shared by every process on one device root,
// so that a second program finds the first one's window (FindWindowW) and can
// bring it to the front (SetForegroundWindow).
//
// The table is the text file ROOT/display/windows, rewritten whole (through a
// temporary file and a rename) under the lock file ROOT/display/lock:
//   foreground 0x<hwnd>
//   window 0x<hwnd> <pid> <process start time> "<class>" "<title>"
// Entries of processes that are gone (the pid no longer runs, or runs another
// program) are dropped on every read, so a killed program is never found.
//
// Each windowing process listens on its port, the FIFO ROOT/display/<pid>.port,
// for one-line requests from other processes (window_session.h).
//
// The device lock is never taken while WindowLock() (windowing.h) is held.
#ifndef KELVANE_PLATFORM_DEVICE_WINDOWS_H
#define KELVANE_PLATFORM_DEVICE_WINDOWS_H

#include <windows.h>

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelvane {

struct TopLevelEntry {
  HWND hwnd = nullptr;
  pid_t pid = 0;
  uint64_t started = 0;
  std::wstring class_name;
  std::wstring title;
};

struct DeviceWindowTable {
  std::vector<TopLevelEntry> windows;  // oldest first
  HWND foreground = nullptr;
};

// Holds the device-wide display lock while it lives. A device root without a
// folder cannot be locked: held() is false and the table reads empty.
class DeviceWindowsLock {
 public:
  DeviceWindowsLock();
  ~DeviceWindowsLock();
  DeviceWindowsLock(const DeviceWindowsLock&) = delete;
  DeviceWindowsLock& operator=(const DeviceWindowsLock&) = delete;

  bool held() const { return fd_ >= 0; }
  DeviceWindowTable Read() const;
  void Write(const DeviceWindowTable& table) const;

 private:
  int fd_ = -1;
};

// Whether the process that published a window (its pid and start time)
// still runs; a reused pid or an unreaped ended process does not.
bool ProcessRuns(pid_t pid, uint64_t started);

// ROOT/display, created when the device root exists.
std::filesystem::path DisplayFolder();

void PublishTopLevel(HWND hwnd, const std::wstring& class_name, const std::wstring& title);
// Removes a window; when it was the foreground window there is none after.
void WithdrawTopLevel(HWND hwnd);
// The foreground entry when it matches, else the newest match; null for none.
// A null class or title matches any; both compare without regard to case.
HWND FindTopLevel(LPCWSTR class_name, LPCWSTR title);
bool TopLevelExists(HWND hwnd);
HWND DeviceForeground();
// Makes a listed window the foreground window; returns the previous one
// (null for none), or sets *listed false when the window is not in the table.
HWND ExchangeForeground(HWND hwnd, bool* listed);

// A process's port, and one line written to it without blocking; false when
// the process does not listen or its port is full.
std::filesystem::path ProcessPortPath(pid_t pid);
bool WriteToProcessPort(pid_t pid, const std::string& line);

}  // namespace kelvane

#endif
