#include "server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace kelvane::testing {
namespace {

using Clock = std::chrono::steady_clock;

// Starts the server with its standard output (and, when asked, standard
// error) on pipes; returns the pid.
int Spawn(const std::vector<std::string>& arguments, int* out, int* err) {
  std::vector<std::string> all = {KELVANE_LOCSERVER_PATH};
  all.insert(all.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  int out_pipe[2], err_pipe[2] = {-1, -1};
  if (pipe(out_pipe) != 0 || (err && pipe(err_pipe) != 0)) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe[1], 1);
  posix_spawn_file_actions_addclose(&actions, out_pipe[0]);
  if (err) {
    posix_spawn_file_actions_adddup2(&actions, err_pipe[1], 2);
    posix_spawn_file_actions_addclose(&actions, err_pipe[0]);
  }
  pid_t pid = -1;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe[1]);
  *out = out_pipe[0];
  if (err) {
    close(err_pipe[1]);
    *err = err_pipe[0];
  }
  return spawned == 0 ? pid : -1;
}

int WaitForExit(int pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool Readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return poll(&p, 1, timeout_ms) == 1;
}

}  // namespace

ServerProcess::ServerProcess(const std::vector<std::string>& arguments) {
  std::vector<std::string> all = {"--port", "0"};
  all.insert(all.end(), arguments.begin(), arguments.end());
  int out = -1;
  pid_ = Spawn(all, &out, nullptr);
  if (pid_ < 0) {
    ADD_FAILURE() << "cannot start " << KELVANE_LOCSERVER_PATH;
    return;
  }
  std::string line;
  char c;
  while (Readable(out, 10000) && read(out, &c, 1) == 1 && c != '\n') line += c;
  close(out);
  port_ = line.empty() ? -1 : std::atoi(line.c_str());
  if (port_ <= 0) ADD_FAILURE() << "the server printed no port: '" << line << "'";
}

ServerProcess::~ServerProcess() { Terminate(); }

int ServerProcess::Terminate() {
  if (pid_ < 0) return -1;
  kill(pid_, SIGTERM);
  const int status = WaitForExit(pid_);
  pid_ = -1;
  return status;
}

ServerProcess::Outcome ServerProcess::RunToExit(const std::vector<std::string>& arguments) {
  int out = -1, err = -1;
  const int pid = Spawn(arguments, &out, &err);
  Outcome outcome{-1, "", ""};
  if (pid < 0) return outcome;
  pollfd fds[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
  std::string* texts[2] = {&outcome.standard_output, &outcome.standard_error};
  int open_pipes = 2;
  while (open_pipes > 0 && poll(fds, 2, 10000) > 0) {
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        texts[i]->append(buffer, static_cast<size_t>(n));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  if (open_pipes > 0) kill(pid, SIGTERM);  // it did not exit: a failure the test will see
  outcome.exit_status = WaitForExit(pid);
  return outcome;
}

RawConnection::RawConnection(int port) {
  fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    ADD_FAILURE() << "cannot connect to port " << port << ": " << std::strerror(errno);
}

RawConnection::~RawConnection() { close(fd_); }

void RawConnection::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(fd_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) {
      ADD_FAILURE() << "send failed: " << std::strerror(errno);
      return;
    }
    sent += static_cast<size_t>(n);
  }
}

std::string RawConnection::ReadFor(int timeout_ms, size_t limit) {
  std::string out;
  char buffer[4096];
  while (out.size() < limit && Readable(fd_, timeout_ms)) {
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

std::string RawConnection::ReadNext(int timeout_ms) {
  if (!Readable(fd_, timeout_ms)) return "";
  char buffer[4096];
  const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : "";
}

std::string RawConnection::ReadResponse(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  std::string out;
  size_t expected = std::string::npos;
  while (out.size() < expected) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !Readable(fd_, static_cast<int>(left))) break;
    char buffer[4096];
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
    const size_t head_end = out.find("\r\n\r\n");
    const size_t length_at = out.find("Content-Length: ");
    if (head_end != std::string::npos && length_at != std::string::npos && length_at < head_end)
      expected = head_end + 4 + std::stoul(out.substr(length_at + 16));
  }
  return out;
}

bool RawConnection::ClosedByServer(int timeout_ms) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  char buffer[4096];
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || !Readable(fd_, static_cast<int>(left))) return false;
    if (recv(fd_, buffer, sizeof buffer, 0) <= 0) return true;
  }
}

std::string Exchange(int port, const std::string& request) {
  RawConnection connection(port);
  connection.Send(request);
  return connection.ReadResponse();
}

std::string BodyOf(const std::string& response) {
  const size_t head_end = response.find("\r\n\r\n");
  return head_end == std::string::npos ? "" : response.substr(head_end + 4);
}

}  // namespace kelvane::testing
