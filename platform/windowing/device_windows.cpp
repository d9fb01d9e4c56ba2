// The device-wide table of top-level windows and the process ports.
#include "internal/device_windows.h"

#include "internal/device_root.h"
#include "internal/quoted_text.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace kelvane {
namespace {

// The start time of a process (clock ticks after boot, /proc/PID/stat field
// 22), which tells a reused pid from the process that published a window;
// 0 for a process that has ended, even when its parent has not reaped it yet.
uint64_t ProcessStartTime(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat;
  if (!std::getline(in, stat)) return 0;
  const auto name_end = stat.rfind(')');
  if (name_end == std::string::npos) return 0;
  std::istringstream fields(stat.substr(name_end + 1));
  std::string field;
  for (int i = 3; i <= 22; ++i) {
    if (!(fields >> field)) return 0;
    if (i == 3 && (field == "Z" || field == "X")) return 0;
  }
  return std::strtoull(field.c_str(), nullptr, 10);
}

std::string HandleText(HWND hwnd) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%016llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(hwnd)));
  return text;
}

HWND HandleFromText(const std::string& text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(text.c_str(), nullptr, 16)));
}

bool ParseEntry(const std::string& line, TopLevelEntry* entry) {
  std::istringstream in(line);
  std::string word, hwnd;
  long long pid = 0;
  unsigned long long started = 0;
  if (!(in >> word >> hwnd >> pid >> started) || word != "window") return false;
  size_t pos = static_cast<size_t>(in.tellg()) + 1;  // past the blank after the start time
  if (!UnquoteText(line, &pos, &entry->class_name)) return false;
  ++pos;  // the blank between the texts
  if (!UnquoteText(line, &pos, &entry->title)) return false;
  entry->hwnd = HandleFromText(hwnd);
  entry->pid = static_cast<pid_t>(pid);
  entry->started = started;
  return true;
}

bool Matches(const TopLevelEntry& entry, LPCWSTR class_name, LPCWSTR title) {
  return (!class_name || SameTextIgnoringCase(entry.class_name, class_name)) &&
         (!title || SameTextIgnoringCase(entry.title, title));
}

}  // namespace

bool ProcessRuns(pid_t pid, uint64_t started) { return started != 0 && ProcessStartTime(pid) == started; }

std::filesystem::path DisplayFolder() {
  const auto root = DeviceRoot();
  std::error_code ec;
  if (std::filesystem::is_directory(root, ec)) std::filesystem::create_directories(root / "display", ec);
  return root / "display";
}

DeviceWindowsLock::DeviceWindowsLock() {
  fd_ = open((DisplayFolder() / "lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ < 0) return;
  while (flock(fd_, LOCK_EX) != 0) {
    if (errno != EINTR) {
      close(fd_);
      fd_ = -1;
      return;
    }
  }
}

DeviceWindowsLock::~DeviceWindowsLock() {
  if (fd_ >= 0) close(fd_);  // closing releases the lock
}

DeviceWindowTable DeviceWindowsLock::Read() const {
  DeviceWindowTable table;
  if (!held()) return table;
  std::ifstream in(DisplayFolder() / "windows");
  std::string line;
  HWND foreground = nullptr;
  while (std::getline(in, line)) {
    if (line.rfind("foreground ", 0) == 0) {
      foreground = HandleFromText(line.substr(11));
      continue;
    }
    TopLevelEntry entry;
    if (ParseEntry(line, &entry) && ProcessRuns(entry.pid, entry.started)) table.windows.push_back(entry);
  }
  for (const auto& entry : table.windows)
    if (entry.hwnd == foreground) table.foreground = foreground;
  return table;
}

void DeviceWindowsLock::Write(const DeviceWindowTable& table) const {
  if (!held()) return;
  const auto path = DisplayFolder() / "windows";
  const auto temp = path.string() + "." + std::to_string(getpid()) + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    if (table.foreground) out << "foreground " << HandleText(table.foreground) << "\n";
    for (const auto& e : table.windows)
      out << "window " << HandleText(e.hwnd) << " " << e.pid << " " << e.started << " " << QuoteText(e.class_name)
          << " " << QuoteText(e.title) << "\n";
    if (!out) return;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
}

void PublishTopLevel(HWND hwnd, const std::wstring& class_name, const std::wstring& title) {
  DeviceWindowsLock lock;
  DeviceWindowTable table = lock.Read();
  table.windows.push_back({hwnd, getpid(), ProcessStartTime(getpid()), class_name, title});
  lock.Write(table);
}

void WithdrawTopLevel(HWND hwnd) {
  DeviceWindowsLock lock;
  DeviceWindowTable table = lock.Read();
  for (auto it = table.windows.begin(); it != table.windows.end(); ++it) {
    if (it->hwnd != hwnd) continue;
    table.windows.erase(it);
    break;
  }
  if (table.foreground == hwnd) table.foreground = nullptr;
  lock.Write(table);
}

HWND FindTopLevel(LPCWSTR class_name, LPCWSTR title) {
  DeviceWindowsLock lock;
  const DeviceWindowTable table = lock.Read();
  for (const auto& e : table.windows)
    if (e.hwnd == table.foreground && Matches(e, class_name, title)) return e.hwnd;
  for (auto it = table.windows.rbegin(); it != table.windows.rend(); ++it)
    if (Matches(*it, class_name, title)) return it->hwnd;
  return nullptr;
}

bool TopLevelExists(HWND hwnd) {
  DeviceWindowsLock lock;
  for (const auto& e : lock.Read().windows)
    if (e.hwnd == hwnd) return true;
  return false;
}

HWND DeviceForeground() {
  DeviceWindowsLock lock;
  return lock.Read().foreground;
}

HWND ExchangeForeground(HWND hwnd, bool* listed) {
  DeviceWindowsLock lock;
  DeviceWindowTable table = lock.Read();
  *listed = false;
  for (const auto& e : table.windows)
    if (e.hwnd == hwnd) *listed = true;
  if (!*listed) return nullptr;
  const HWND previous = table.foreground;
  if (previous != hwnd) {
    table.foreground = hwnd;
    lock.Write(table);
  }
  return previous;
}

std::filesystem::path ProcessPortPath(pid_t pid) { return DisplayFolder() / (std::to_string(pid) + ".port"); }

bool WriteToProcessPort(pid_t pid, const std::string& line) {
  const int fd = open(ProcessPortPath(pid).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  // A reader that goes away between open and write must not kill this
  // process with SIGPIPE: block it for the write and take it back.
  sigset_t pipe_signal, previous;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe_signal, &previous);
  const ssize_t written = write(fd, line.data(), line.size());
  if (written < 0 && errno == EPIPE) {
    const timespec no_wait{};
    sigtimedwait(&pipe_signal, nullptr, &no_wait);
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  close(fd);
  return written == static_cast<ssize_t>(line.size());
}

}  // namespace kelvane
