// A bridge's TCP listening socket: NMEA over TCP, as navigation programs and
// gpsd (tcp://HOST:PORT) read it. Any number of clients connect; each gets
// the port's output as whole lines from the moment it connects. Nothing the
// clients send reaches the port.
//
// Each client has a small queue of its own; a client that does not keep up
// loses its oldest lines and never holds up the device or the other clients.
// A client that goes away is closed and forgotten. The address actually
// listened on is published as the text file ROOT/dev/NAME.tcp ("HOST:PORT"),
// useful when the profile asks for port 0 (any free port).
#ifndef KELVANE_PLATFORM_DEVMGR_TCP_OUTLET_H
#define KELVANE_PLATFORM_DEVMGR_TCP_OUTLET_H

#include "devmgr/bridge_outlet.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kelvane {

class TcpOutlet : public BridgeOutlet {
 public:
  // Null (reported on standard error) when the address is no IPv4 address
  // or cannot be listened on.
  static std::unique_ptr<TcpOutlet> Start(const std::wstring& name, const std::string& address, uint16_t port);
  ~TcpOutlet() override;
  void Deliver(const std::string& line) override;

 private:
  struct Client {
    int fd = -1;
    std::deque<std::string> lines;  // waiting to be sent, oldest first
    size_t queued = 0;              // bytes in `lines`
    size_t front_sent = 0;          // bytes of the first line already sent
  };

  TcpOutlet() = default;
  void Serve();
  void Accept();
  // False when the client has gone (or failed) and must be closed.
  bool Send(Client& client);

  int listener_ = -1;
  int wake_[2] = {-1, -1};  // a pipe: new lines to send, or the end
  std::filesystem::path address_file_;
  std::mutex lock_;         // guards clients_ and stopping_
  std::vector<Client> clients_;
  bool stopping_ = false;
  std::thread server_;
};

}  // namespace kelvane

#endif
