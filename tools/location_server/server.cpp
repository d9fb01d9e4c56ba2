#include "server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace locserver {
namespace {

bool SendAll(int fd, const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

// Reads and drops everything until the client closes (or the server stops).
void DrainUntilClosed(int fd) {
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n > 0 || (n < 0 && errno == EINTR)) continue;
    return;
  }
}

}  // namespace

Server::Server(const LocationService& service, const MapPage& map, FaultPlan& faults, RequestLog& log,
               const GatewayStatus& status)
    : service_(service), map_(map), faults_(faults), log_(log), status_(status) {}

Server::~Server() {
  if (listener_ >= 0) ::close(listener_);
  for (int fd : wake_)
    if (fd >= 0) ::close(fd);
}

int Server::Listen(const std::string& address, int port, std::string* error) {
  sockaddr_in bound{};
  bound.sin_family = AF_INET;
  bound.sin_port = htons(static_cast<uint16_t>(port));
  if (port < 0 || port > 65535 || ::inet_pton(AF_INET, address.c_str(), &bound.sin_addr) != 1) {
    *error = "cannot listen on " + address + ":" + std::to_string(port) + ": not an IPv4 address and port";
    return -1;
  }
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int on = 1;
  socklen_t length = sizeof bound;
  if (listener_ < 0 || ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
      ::bind(listener_, reinterpret_cast<sockaddr*>(&bound), sizeof bound) != 0 || ::listen(listener_, 64) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&bound), &length) != 0 || ::pipe2(wake_, O_CLOEXEC) != 0) {
    *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
    return -1;
  }
  return ntohs(bound.sin_port);
}

void Server::Run() {
  for (;;) {
    pollfd watched[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(watched, 2, -1) < 0 && errno != EINTR) break;
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_) break;
    ReapFinishedLocked();
    if (!(watched[0].revents & POLLIN)) continue;
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;  // the client gave up already, or no descriptors left for now
    Connection& connection = connections_.emplace_back();
    connection.fd = fd;
    connection.thread = std::thread(&Server::Serve, this, &connection);
  }
  std::list<Connection> remaining;
  {
    std::lock_guard<std::mutex> guard(lock_);
    remaining.swap(connections_);
  }
  for (Connection& c : remaining) c.thread.join();
}

void Server::Stop() {
  std::lock_guard<std::mutex> guard(lock_);
  if (stopping_) return;
  stopping_ = true;
  stopped_.notify_all();
  for (Connection& c : connections_)
    if (!c.done) ::shutdown(c.fd, SHUT_RDWR);
  const char byte = 0;
  if (::write(wake_[1], &byte, 1) < 0) {
    // The pipe is never full: one byte is ever written.
  }
}

void Server::ReapFinishedLocked() {
  for (auto it = connections_.begin(); it != connections_.end();) {
    if (!it->done) {
      ++it;
      continue;
    }
    it->thread.join();
    it = connections_.erase(it);
  }
}

bool Server::Pause(int ms) {
  std::unique_lock<std::mutex> guard(lock_);
  return !stopped_.wait_for(guard, std::chrono::milliseconds(ms), [this] { return stopping_; });
}

void Server::Serve(Connection* connection) {
  const int fd = connection->fd;
  std::string buffer;
  char chunk[4096];
  for (;;) {
    ParseResult parsed = ParseHttpRequest(buffer);
    if (parsed.state == ParseResult::State::kComplete) {
      const std::string raw = buffer.substr(0, parsed.consumed);
      buffer.erase(0, parsed.consumed);
      const WirePlan::After after = Handle(fd, parsed.request, raw);
      if (after == WirePlan::After::kHang) DrainUntilClosed(fd);
      if (after != WirePlan::After::kKeepAlive) break;
      continue;
    }
    if (parsed.state == ParseResult::State::kInvalid) {
      log_.Record(buffer, "invalid");
      Send(fd, PlanWire(HttpAnswer{parsed.status, "text/plain", parsed.reason + "\n"}, Service::kNone, FaultRule{},
                        true));
      break;
    }
    const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (buffer.find_first_not_of("\r\n") != std::string::npos) log_.Record(buffer, "incomplete");
      break;
    }
    buffer.append(chunk, static_cast<size_t>(n));
  }
  std::lock_guard<std::mutex> guard(lock_);
  ::close(fd);
  connection->done = true;
}

WirePlan::After Server::Handle(int fd, const HttpRequest& request, const std::string& raw) {
  WirePlan plan;
  if (IsControlRequest(request)) {
    plan = PlanWire(AnswerControl(request, faults_, log_, status_), Service::kNone, FaultRule{}, request.WantsClose());
  } else if (map_.Serves(request)) {
    plan = PlanWire(map_.Answer(request), Service::kNone, FaultRule{}, request.WantsClose());
  } else {
    log_.Record(raw);
    const Service service = LocationService::ServiceOf(request);
    const FaultRule rule = faults_.Take(service);
    plan = PlanWire(service_.Answer(request, rule.unknown_cell), service, rule, request.WantsClose());
  }
  return Send(fd, plan) ? plan.after : WirePlan::After::kClose;
}

bool Server::Send(int fd, const WirePlan& plan) {
  for (const WirePlan::Step& step : plan.steps) {
    if (step.pause_ms > 0 && !Pause(step.pause_ms)) return false;
    if (!SendAll(fd, step.bytes)) return false;
  }
  return true;
}

}  // namespace locserver
