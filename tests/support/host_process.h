// A host program (the location server, gpsd) started for a test, stopped and
// reaped when the object goes.
#ifndef KELVANE_TESTS_HOST_PROCESS_H
#define KELVANE_TESTS_HOST_PROCESS_H

#include <sys/types.h>

#include <string>
#include <vector>

namespace kelvane::testing {

class HostProcess {
 public:
  // Runs argv[0] (searched in PATH); its standard output is readable line by
  // line through ReadLine, its standard error goes to the test's.
  explicit HostProcess(const std::vector<std::string>& argv);
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  bool running() const { return pid_ > 0; }
  pid_t pid() const { return pid_; }
  // One line of the program's output, or false after timeout_ms.
  bool ReadLine(std::string* line, int timeout_ms);
  // SIGTERM, then SIGKILL if it has not ended within a second.
  void Stop();

 private:
  pid_t pid_ = -1;
  int output_ = -1;
  std::string buffer_;
};

// A TCP port on 127.0.0.1 that nothing listens on right now.
int FreeLoopbackPort();

}  // namespace kelvane::testing

#endif
