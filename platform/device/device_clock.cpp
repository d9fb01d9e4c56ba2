// The device clock: tick count, time scale and calendar offset.
#include "internal/device_clock.h"

#include "internal/device_root.h"
#include "internal/profile_value.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>

namespace kelvane {
namespace {

constexpr int64_t kUnixEpochIn1601Ms = 11644473600000LL;

struct ClockSettings {
  double scale = 1.0;
  int64_t boot_wall_ms = 0;     // host wall clock at device boot
  int64_t calendar_offset_ms = 0;
  uint64_t tick_start = 0;
};

int64_t HostWallMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::mutex g_clock_lock;
bool g_loaded = false;
ClockSettings g_settings;

std::filesystem::path ClockFile() { return DeviceRoot() / "clock"; }

// The clock file holds "boot=<ms>" and "calendarOffset=<ms>" lines.
void ReadClockFile(ClockSettings& s) {
  std::ifstream in(ClockFile());
  std::string line;
  while (std::getline(in, line)) {
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = line.substr(0, eq);
    const long long value = std::strtoll(line.c_str() + eq + 1, nullptr, 10);
    if (key == "boot") s.boot_wall_ms = value;
    if (key == "calendarOffset") s.calendar_offset_ms = value;
  }
}

void WriteClockFileLocked() {
  const auto path = ClockFile();
  const auto temp = path.string() + ".new";
  {
    std::ofstream out(temp, std::ios::trunc);
    if (!out) return;  // a device without a root folder keeps its clock in memory
    out << "boot=" << g_settings.boot_wall_ms << "\n";
    out << "calendarOffset=" << g_settings.calendar_offset_ms << "\n";
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
}

void LoadLocked() {
  ClockSettings s;
  s.boot_wall_ms = HostWallMs();
  ReadClockFile(s);
  s.scale = ReadNumber(MemberOf(Profile(), "timeScale"), "timeScale", 1.0);
  s.tick_start = ReadCount(MemberOf(Profile(), "tickStart"), "tickStart", 0);
  if (const char* env = std::getenv("KELVANE_TIME_SCALE")) {
    const double v = std::strtod(env, nullptr);
    if (v > 0) s.scale = v;
  }
  if (!(s.scale > 0)) s.scale = 1.0;
  g_settings = s;
  g_loaded = true;
}

const ClockSettings& Settings() {
  std::lock_guard<std::mutex> guard(g_clock_lock);
  if (!g_loaded) LoadLocked();
  return g_settings;
}

}  // namespace

double TimeScale() { return Settings().scale; }

uint64_t DeviceMilliseconds() {
  const ClockSettings& s = Settings();
  const int64_t host_elapsed = HostWallMs() - s.boot_wall_ms;
  const double device_elapsed = host_elapsed > 0 ? static_cast<double>(host_elapsed) * s.scale : 0.0;
  return s.tick_start + static_cast<uint64_t>(device_elapsed);
}

std::chrono::steady_clock::time_point HostDeadline(DWORD device_ms) {
  using namespace std::chrono;
  if (device_ms == INFINITE) return steady_clock::time_point::max();
  const double host_us = static_cast<double>(device_ms) * 1000.0 / Settings().scale;
  return steady_clock::now() + microseconds(static_cast<int64_t>(host_us));
}

int64_t CalendarMilliseconds() { return HostWallMs() + kUnixEpochIn1601Ms + Settings().calendar_offset_ms; }

void SetCalendarMilliseconds(int64_t ms_since_1601) {
  Settings();
  std::lock_guard<std::mutex> guard(g_clock_lock);
  g_settings.calendar_offset_ms = ms_since_1601 - (HostWallMs() + kUnixEpochIn1601Ms);
  WriteClockFileLocked();
}

void RebootDeviceClock() {
  Settings();
  std::lock_guard<std::mutex> guard(g_clock_lock);
  g_settings.boot_wall_ms = HostWallMs();
  WriteClockFileLocked();
}

void ReloadDeviceClock() {
  std::lock_guard<std::mutex> guard(g_clock_lock);
  LoadLocked();
}

}  // namespace kelvane
