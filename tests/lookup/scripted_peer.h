// A scripted HTTP peer on loopback, for the exchange tests: it accepts
// connections one after another, reads each request (header and announced
// body), records it and plays the answer its script gives, then holds the
// connection until the client closes it.
//
// A test that judges what the client made of a whole answer, not when it came,
// waits with WaitDelivered until the answer is in the client's receive buffer:
// a loaded host may run the peer's thread long after the client began to wait.
//
// This file uses the host's sockets and so must not include the device's
// winsock2.h; its interface carries no socket types.
#ifndef KELVANE_TESTS_LOOKUP_SCRIPTED_PEER_H
#define KELVANE_TESTS_LOOKUP_SCRIPTED_PEER_H

#include <stdint.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kelvane::testing {

struct PeerScript {
  std::vector<std::string> chunks;  // sent in order
  int pause_ms = 0;                 // host milliseconds before each chunk
};

class ScriptedPeer {
 public:
  using Answer = std::function<PeerScript(const std::string& request)>;
  explicit ScriptedPeer(Answer answer);
  ~ScriptedPeer();
  ScriptedPeer(const ScriptedPeer&) = delete;
  ScriptedPeer& operator=(const ScriptedPeer&) = delete;

  uint16_t port() const { return port_; }
  std::vector<std::string> Requests();
  // Waits until `count` answers in all have been played and acknowledged by
  // the client's host, so every byte of them is in its receive buffer. False
  // when that did not happen within a minute, which only a broken peer does.
  bool WaitDelivered(size_t count);

 private:
  void Serve();
  void Handle(int connection);

  Answer answer_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex lock_;
  std::vector<std::string> requests_;
  size_t delivered_ = 0;  // guarded by lock_
  std::condition_variable delivered_changed_;
  std::thread thread_;
};

// A loopback port whose listener never accepts. The host completes a
// connection into the listener's queue by itself, so a connect succeeds but
// nothing is ever read or answered: a large send stalls, a receive waits.
// With queue_full, one queued connection of its own leaves no room, so a
// connect is neither accepted nor refused, as with an address that never
// answers.
class IdlePort {
 public:
  explicit IdlePort(bool queue_full);
  ~IdlePort();
  uint16_t port() const { return port_; }

 private:
  int listener_ = -1;
  int filler_ = -1;
  uint16_t port_ = 0;
};

// "HTTP/1.1 200 OK", a Content-Length header for the body, the body.
std::string HttpAnswer(const std::string& body);
// The request line of a recorded request.
std::string RequestLine(const std::string& request);
// The body of a recorded request (after the blank line).
std::string RequestBody(const std::string& request);

}  // namespace kelvane::testing

#endif
