#include "support/program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

namespace kelvane::testing {

std::filesystem::path QuorvanePath() { return std::filesystem::path(KELVANE_BINARY_DIR) / "ui" / "Quorvane"; }

std::filesystem::path QuorvanePathFor(const std::string& platform_type) {
  if (platform_type == "Smartphone") return std::filesystem::path(KELVANE_BINARY_DIR) / "ui" / "keypad" / "Quorvane";
  return QuorvanePath();
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

ProgramRun::ProgramRun(const std::filesystem::path& program, const std::filesystem::path& root,
                       const std::map<std::string, std::string>& environment)
    : root_(root) {
  static std::atomic<int> runs{0};
  output_ = root / ("program-" + std::to_string(++runs) + ".out");
  pid_ = fork();
  if (pid_ == 0) {
    setenv("KELVANE_DEVICE_ROOT", root.c_str(), 1);
    for (const auto& [name, value] : environment) setenv(name.c_str(), value.c_str(), 1);
    const int out = open(output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
}

ProgramRun::~ProgramRun() {
  Wait(std::chrono::milliseconds(0));
  if (pid_ > 0) {  // still running
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

bool ProgramRun::Send(const std::string& line) {
  // The FIFO exists once the program has its window; a writer must not block
  // on a program that has gone, so open without waiting and retry.
  const auto fifo = root_ / "input";
  int fd = -1;
  WaitUntil([&] { return (fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK)) >= 0; }, std::chrono::seconds(20));
  if (fd < 0) return false;
  const std::string text = line + "\n";
  const bool sent = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  return sent;
}

bool ProgramRun::Terminate() { return pid_ > 0 && kill(pid_, SIGTERM) == 0; }


int ProgramRun::Wait(std::chrono::milliseconds limit) {
  if (pid_ <= 0) return -1;
  int status = 0;
  pid_t ended = 0;
  WaitUntil([&] { return (ended = waitpid(pid_, &status, WNOHANG)) != 0; }, limit);
  if (ended != pid_) return -1;
  pid_ = -1;
  exit_code_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return exit_code_;
}

std::string ProgramRun::Output() const {
  std::ifstream in(output_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace kelvane::testing
