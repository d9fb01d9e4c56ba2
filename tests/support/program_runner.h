// Runs a program of the build (Quorvane) as a process of its own on the
// test's device root, and drives it as the shell and a user would: commands
// and keys through the headless display's FIFO, SIGTERM to close it.
#ifndef KELVANE_TESTS_PROGRAM_RUNNER_H
#define KELVANE_TESTS_PROGRAM_RUNNER_H

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

namespace kelvane::testing {

class ProgramRun {
 public:
  // Starts the program with KELVANE_DEVICE_ROOT = root and the extra
  // environment; its output goes to ROOT/program-N.out.
  ProgramRun(const std::filesystem::path& program, const std::filesystem::path& root,
             const std::map<std::string, std::string>& environment = {});
  ~ProgramRun();  // kills the program if it still runs

  pid_t pid() const { return pid_; }
  // Writes one line to the display FIFO (waits until the program reads it).
  bool Send(const std::string& line);
  bool Terminate();  // SIGTERM
  // Waits for the program to end; its exit code, or -1 on time-out or a signal.
  int Wait(std::chrono::milliseconds limit);
  std::string Output() const;

 private:
  std::filesystem::path root_;
  std::filesystem::path output_;
  pid_t pid_ = -1;
  int exit_code_ = -1;
};

// Polls until condition holds or the limit passes.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit);

// The Quorvane executable of this build (the touch-screen build).
std::filesystem::path QuorvanePath();
// The build a device of this platform type runs: the keypad build for
// "Smartphone", the touch-screen build for "PocketPC".
std::filesystem::path QuorvanePathFor(const std::string& platform_type);

}  // namespace kelvane::testing

#endif
