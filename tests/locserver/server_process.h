// The location server as the tests meet it: the real executable in a child
// process, and raw TCP connections to it, so every byte on the wire is seen.
#ifndef KELVANE_TESTS_LOCSERVER_SERVER_PROCESS_H
#define KELVANE_TESTS_LOCSERVER_SERVER_PROCESS_H

#include <string>
#include <vector>

namespace kelvane::testing {

class ServerProcess {
 public:
  // Starts kelvane-locserver --port 0 with these arguments and reads its port.
  explicit ServerProcess(const std::vector<std::string>& arguments = {});
  // Ends it with SIGTERM.
  ~ServerProcess();
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return port_; }
  // SIGTERM and wait; the exit status (-1 when it did not exit normally).
  int Terminate();

  struct Outcome {
    int exit_status;
    std::string standard_output, standard_error;
  };
  // Runs the server with these arguments until it exits on its own.
  static Outcome RunToExit(const std::vector<std::string>& arguments);

 private:
  int pid_ = -1;
  int port_ = -1;
};

class RawConnection {
 public:
  explicit RawConnection(int port);
  ~RawConnection();
  RawConnection(const RawConnection&) = delete;
  RawConnection& operator=(const RawConnection&) = delete;

  void Send(const std::string& bytes);
  // What arrives within timeout_ms of silence, up to `limit` bytes.
  std::string ReadFor(int timeout_ms, size_t limit = 1 << 20);
  // One response framed by its Content-Length (head and body).
  std::string ReadResponse(int timeout_ms = 5000);
  // Waits for the next bytes; "" when none came within the time.
  std::string ReadNext(int timeout_ms);
  // True when the server closed the connection within the time.
  bool ClosedByServer(int timeout_ms);

 private:
  int fd_ = -1;
};

// One request on a new connection; the response framed by Content-Length.
std::string Exchange(int port, const std::string& request);

// The body of a framed response ("" when there is no blank line).
std::string BodyOf(const std::string& response);

}  // namespace kelvane::testing

#endif
