#include "scripted_peer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace kelvane::testing {
namespace {

int Listen(int backlog, uint16_t* port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, backlog) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error("listen");
  *port = ntohs(address.sin_port);
  return fd;
}

// Waits up to 20 ms for fd to be readable.
bool Readable(int fd) {
  pollfd p = {fd, POLLIN, 0};
  return poll(&p, 1, 20) > 0;
}

size_t AnnouncedLength(const std::string& header) {
  const size_t at = header.find("Content-Length:");
  return at == std::string::npos ? 0 : std::strtoul(header.c_str() + at + 15, nullptr, 10);
}

}  // namespace

ScriptedPeer::ScriptedPeer(Answer answer) : answer_(std::move(answer)) {
  listener_ = Listen(8, &port_);
  thread_ = std::thread([this] { Serve(); });
}

ScriptedPeer::~ScriptedPeer() {
  stop_ = true;
  thread_.join();
  close(listener_);
}

std::vector<std::string> ScriptedPeer::Requests() {
  std::lock_guard<std::mutex> guard(lock_);
  return requests_;
}

void ScriptedPeer::Serve() {
  while (!stop_) {
    if (!Readable(listener_)) continue;
    const int connection = accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    Handle(connection);
    close(connection);
  }
}

void ScriptedPeer::Handle(int connection) {
  std::string request;
  char buffer[4096];
  bool complete = false;
  while (!stop_ && !complete) {
    if (!Readable(connection)) continue;
    const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    request.append(buffer, static_cast<size_t>(n));
    const size_t header_end = request.find("\r\n\r\n");
    complete = header_end != std::string::npos && request.size() >= header_end + 4 + AnnouncedLength(request);
  }
  if (!complete) return;
  {
    std::lock_guard<std::mutex> guard(lock_);
    requests_.push_back(request);
  }
  const PeerScript script = answer_(request);
  for (const std::string& chunk : script.chunks) {
    if (script.pause_ms) std::this_thread::sleep_for(std::chrono::milliseconds(script.pause_ms));
    if (send(connection, chunk.data(), chunk.size(), MSG_NOSIGNAL) < 0) return;
  }
  // The client's host acknowledges bytes once they are in the receive buffer.
  for (int unacknowledged = 1; !stop_ && unacknowledged > 0;) {
    if (ioctl(connection, SIOCOUTQ, &unacknowledged) != 0) return;
    if (unacknowledged > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    ++delivered_;
  }
  delivered_changed_.notify_all();
  // Held open, silent, until the client closes or the peer stops.
  while (!stop_)
    if (Readable(connection) && recv(connection, buffer, sizeof buffer, 0) <= 0) return;
}

bool ScriptedPeer::WaitDelivered(size_t count) {
  std::unique_lock<std::mutex> guard(lock_);
  return delivered_changed_.wait_for(guard, std::chrono::minutes(1), [&] { return delivered_ >= count; });
}

IdlePort::IdlePort(bool queue_full) {
  listener_ = Listen(queue_full ? 0 : 8, &port_);
  if (!queue_full) return;
  // The one queued connection that a backlog of 0 allows fills the queue.
  filler_ = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = htons(port_);
  if (connect(filler_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    throw std::runtime_error("filler connect");
}

IdlePort::~IdlePort() {
  if (filler_ >= 0) close(filler_);
  close(listener_);
}

std::string HttpAnswer(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

std::string RequestBody(const std::string& request) {
  const size_t at = request.find("\r\n\r\n");
  return at == std::string::npos ? std::string() : request.substr(at + 4);
}

}  // namespace kelvane::testing
