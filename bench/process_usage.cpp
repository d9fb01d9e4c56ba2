#include "process_usage.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace kelvane::bench {
namespace {

std::string ReadProcFile(pid_t pid, const char* name) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

std::optional<unsigned long long> ParseCpuTicks(const std::string& stat_text) {
  const size_t name_end = stat_text.rfind(')');
  if (name_end == std::string::npos) return std::nullopt;
  // After the name: state (field 3) ... utime (14), stime (15).
  std::istringstream fields(stat_text.substr(name_end + 1));
  std::string field;
  for (int number = 3; number < 14; ++number)
    if (!(fields >> field)) return std::nullopt;
  unsigned long long user = 0, system = 0;
  if (!(fields >> user >> system)) return std::nullopt;
  return user + system;
}

std::optional<long> ParseStatusKb(const std::string& status_text, const std::string& name) {
  std::istringstream lines(status_text);
  const std::string key = name + ":";
  for (std::string line; std::getline(lines, line);) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::istringstream value(line.substr(key.size()));
    long kb = 0;
    std::string unit;
    if (value >> kb >> unit && unit == "kB") return kb;
    return std::nullopt;
  }
  return std::nullopt;
}

std::optional<double> CpuSeconds(pid_t pid) {
  const auto ticks = ParseCpuTicks(ReadProcFile(pid, "stat"));
  if (!ticks) return std::nullopt;
  return static_cast<double>(*ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

std::optional<long> StatusKb(pid_t pid, const std::string& name) {
  return ParseStatusKb(ReadProcFile(pid, "status"), name);
}

}  // namespace kelvane::bench
