// What a running host process costs, read from /proc: its CPU time (all
// threads, user and system) and its memory figures. The parsers take the
// file's text so that they can be checked against awkward contents.
#ifndef KELVANE_BENCH_PROCESS_USAGE_H
#define KELVANE_BENCH_PROCESS_USAGE_H

#include <sys/types.h>

#include <optional>
#include <string>

namespace kelvane::bench {

// utime + stime in clock ticks from the text of /proc/PID/stat. The command
// name in parentheses may itself hold spaces and parentheses, so the fields
// are counted from the last ')'.
std::optional<unsigned long long> ParseCpuTicks(const std::string& stat_text);

// The kB value of a line "Name:   1234 kB" of /proc/PID/status.
std::optional<long> ParseStatusKb(const std::string& status_text, const std::string& name);

// CPU seconds (user + system) the process has used so far.
std::optional<double> CpuSeconds(pid_t pid);
// A kB figure of /proc/PID/status ("VmRSS", "VmHWM").
std::optional<long> StatusKb(pid_t pid, const std::string& name);

}  // namespace kelvane::bench

#endif
