// The far end of a device connection for the Winsock tests: a host TCP
// listener on 127.0.0.1, written with the host's sockets, which the test
// sources cannot include next to the SDK headers.
#ifndef KELVANE_TESTS_NETWORK_LOOPBACK_PEER_H
#define KELVANE_TESTS_NETWORK_LOOPBACK_PEER_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvane::testing {

class LoopbackPeer {
 public:
  // Listens on a free port.
  LoopbackPeer();
  ~LoopbackPeer();
  LoopbackPeer(const LoopbackPeer&) = delete;
  LoopbackPeer& operator=(const LoopbackPeer&) = delete;

  uint16_t port() const { return port_; }  // host byte order
  // Accepts one connection; false when none arrives within the host time.
  bool Accept(int timeout_ms);
  bool Send(const std::string& bytes);
  // What arrives until `size` bytes or the host time has passed.
  std::string Receive(size_t size, int timeout_ms);
  void CloseConnection();

  // A loopback port on which nothing listens.
  static uint16_t UnusedPort();

 private:
  int listener_ = -1;
  int connection_ = -1;
  uint16_t port_ = 0;
};

}  // namespace kelvane::testing

#endif
