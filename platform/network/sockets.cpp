// Sockets: the device's SOCKET values, each standing for one host socket.
//
// SOCKET values are never reused, so a socket used after closesocket fails
// with WSAENOTSOCK instead of reaching a later connection. A host socket stays
// open while a call on another thread still uses it; closesocket ends both
// directions at once so that such a call returns.
#include "internal/device_root.h"
#include "internal/profile_value.h"
#include "internal/host_sockets.h"
#include "internal/winsock_state.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>

namespace kelvane {
namespace {

class DeviceSocket {
 public:
  explicit DeviceSocket(int fd) : fd_(fd) {}
  ~DeviceSocket() { host_sockets::Close(fd_); }
  DeviceSocket(const DeviceSocket&) = delete;
  DeviceSocket& operator=(const DeviceSocket&) = delete;
  int fd() const { return fd_; }

 private:
  const int fd_;
};

using SocketPtr = std::shared_ptr<DeviceSocket>;

struct SocketTable {
  std::mutex lock;
  std::map<SOCKET, SocketPtr> sockets;
  SOCKET next = 0x100;
};

SocketTable& Table() {
  static SocketTable* table = new SocketTable;  // outlives static destructors
  return *table;
}

SOCKET Insert(int fd) {
  auto socket = std::make_shared<DeviceSocket>(fd);
  SocketTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  const SOCKET value = t.next;
  t.next += 4;
  t.sockets.emplace(value, std::move(socket));
  return value;
}

SocketPtr Remove(SOCKET s) {
  SocketTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.sockets.find(s);
  if (it == t.sockets.end()) return nullptr;
  SocketPtr socket = std::move(it->second);
  t.sockets.erase(it);
  return socket;
}

// The socket behind a value for a call: null with the call's last error set
// when the library is not started or the value names no open socket.
SocketPtr LookupForCall(SOCKET s) {
  if (!WinsockStarted()) return Fail(WSANOTINITIALISED, SocketPtr());
  SocketTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.sockets.find(s);
  if (it == t.sockets.end()) return Fail(WSAENOTSOCK, SocketPtr());
  return it->second;
}

// Winsock message flags as host_sockets flags; false for a flag the device does not know.
bool MessageFlags(int flags, unsigned* out) {
  if (flags & ~(MSG_OOB | MSG_PEEK | MSG_DONTROUTE)) return false;
  *out = 0;
  if (flags & MSG_OOB) *out |= host_sockets::kOutOfBand;
  if (flags & MSG_PEEK) *out |= host_sockets::kPeek;
  if (flags & MSG_DONTROUTE) *out |= host_sockets::kDontRoute;
  return true;
}

}  // namespace

void CloseAllSockets() {
  std::map<SOCKET, SocketPtr> closing;
  {
    SocketTable& t = Table();
    std::lock_guard<std::mutex> guard(t.lock);
    closing.swap(t.sockets);
  }
  for (auto& entry : closing) host_sockets::Shutdown(entry.second->fd());
}

}  // namespace kelvane

using namespace kelvane;

// ---- socket ----
// The device's stack is IPv4 only.
SOCKET WSAAPI socket(int af, int type, int protocol) {
  if (!WinsockStarted()) return Fail(WSANOTINITIALISED, INVALID_SOCKET);
  if (af != AF_INET) return Fail(WSAEAFNOSUPPORT, INVALID_SOCKET);
  if (type != SOCK_STREAM && type != SOCK_DGRAM) return Fail(WSAESOCKTNOSUPPORT, INVALID_SOCKET);
  if (protocol != 0 && protocol != IPPROTO_TCP && protocol != IPPROTO_UDP)
    return Fail(WSAEPROTONOSUPPORT, INVALID_SOCKET);
  int fd = -1;
  if (int e = host_sockets::OpenIpv4(type == SOCK_STREAM, protocol, &fd)) return FailFromSocketErrno(e, INVALID_SOCKET);
  return Insert(fd);
}

// ---- connect ----
// The profile's "network": {"connectFails": true} takes the device off the
// network: every connect fails with WSAENETUNREACH.
int WSAAPI connect(SOCKET s, const struct sockaddr* name, int namelen) {
  SocketPtr socket = LookupForCall(s);
  if (!socket) return SOCKET_ERROR;
  if (name == nullptr || namelen < static_cast<int>(sizeof(sockaddr_in))) return Fail(WSAEFAULT, SOCKET_ERROR);
  sockaddr_in address;
  std::memcpy(&address, name, sizeof address);
  if (address.sin_family != AF_INET) return Fail(WSAEAFNOSUPPORT, SOCKET_ERROR);
  if (ProfileFlag("network", "connectFails", false)) return Fail(WSAENETUNREACH, SOCKET_ERROR);
  if (int e = host_sockets::Connect(socket->fd(), address.sin_addr.s_addr, address.sin_port))
    return FailFromSocketErrno(e, SOCKET_ERROR);
  return 0;
}

// ---- send ----
int WSAAPI send(SOCKET s, const char* buf, int len, int flags) {
  SocketPtr socket = LookupForCall(s);
  if (!socket) return SOCKET_ERROR;
  if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT, SOCKET_ERROR);
  unsigned host_flags;
  if (!MessageFlags(flags, &host_flags)) return Fail(WSAEOPNOTSUPP, SOCKET_ERROR);
  size_t sent = 0;
  if (int e = host_sockets::Send(socket->fd(), buf, static_cast<size_t>(len), host_flags, &sent))
    return FailFromSocketErrno(e, SOCKET_ERROR);
  return static_cast<int>(sent);
}

// ---- recv ----
// 0 means the peer closed the connection.
int WSAAPI recv(SOCKET s, char* buf, int len, int flags) {
  SocketPtr socket = LookupForCall(s);
  if (!socket) return SOCKET_ERROR;
  if (len < 0 || (buf == nullptr && len > 0)) return Fail(WSAEFAULT, SOCKET_ERROR);
  unsigned host_flags;
  if (!MessageFlags(flags, &host_flags)) return Fail(WSAEOPNOTSUPP, SOCKET_ERROR);
  size_t received = 0;
  if (int e = host_sockets::Receive(socket->fd(), buf, static_cast<size_t>(len), host_flags, &received))
    return FailFromSocketErrno(e, SOCKET_ERROR);
  return static_cast<int>(received);
}

// ---- closesocket ----
int WSAAPI closesocket(SOCKET s) {
  if (!WinsockStarted()) return Fail(WSANOTINITIALISED, SOCKET_ERROR);
  SocketPtr socket = Remove(s);
  if (!socket) return Fail(WSAENOTSOCK, SOCKET_ERROR);
  host_sockets::Shutdown(socket->fd());
  return 0;
}

// ---- ioctlsocket ----
// Only FIONBIO: a nonzero *argp makes send, recv and connect return at once
// with WSAEWOULDBLOCK where they would wait.
int WSAAPI ioctlsocket(SOCKET s, long cmd, u_long* argp) {
  SocketPtr socket = LookupForCall(s);
  if (!socket) return SOCKET_ERROR;
  if (argp == nullptr) return Fail(WSAEFAULT, SOCKET_ERROR);
  if (cmd != static_cast<long>(FIONBIO)) return Fail(WSAEINVAL, SOCKET_ERROR);
  if (int e = host_sockets::SetNonBlocking(socket->fd(), *argp != 0)) return FailFromSocketErrno(e, SOCKET_ERROR);
  return 0;
}
