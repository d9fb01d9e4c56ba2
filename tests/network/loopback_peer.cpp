#include "loopback_peer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>

namespace kelvane::testing {
namespace {

int ListenOnFreePort(uint16_t* port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 4) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::close(fd);
    throw std::runtime_error("bind/listen");
  }
  *port = ntohs(address.sin_port);
  return fd;
}

bool Readable(int fd, int timeout_ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, timeout_ms) == 1;
}

}  // namespace

LoopbackPeer::LoopbackPeer() { listener_ = ListenOnFreePort(&port_); }

LoopbackPeer::~LoopbackPeer() {
  CloseConnection();
  ::close(listener_);
}

bool LoopbackPeer::Accept(int timeout_ms) {
  if (!Readable(listener_, timeout_ms)) return false;
  connection_ = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
  return connection_ >= 0;
}

bool LoopbackPeer::Send(const std::string& bytes) {
  size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = ::send(connection_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<size_t>(n);
  }
  return true;
}

std::string LoopbackPeer::Receive(size_t size, int timeout_ms) {
  std::string out;
  char buffer[4096];
  while (out.size() < size && Readable(connection_, timeout_ms)) {
    const ssize_t n = ::recv(connection_, buffer, std::min(sizeof buffer, size - out.size()), 0);
    if (n <= 0) break;
    out.append(buffer, static_cast<size_t>(n));
  }
  return out;
}

void LoopbackPeer::CloseConnection() {
  if (connection_ >= 0) ::close(connection_);
  connection_ = -1;
}

uint16_t LoopbackPeer::UnusedPort() {
  uint16_t port;
  ::close(ListenOnFreePort(&port));
  return port;
}

}  // namespace kelvane::testing
