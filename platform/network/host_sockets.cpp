// The host side of the device's Winsock: the only source of the network area
// that includes the host's socket headers.
#include "internal/host_sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace kelvane::host_sockets {
namespace {

int HostMessageFlags(unsigned flags) {
  int host = 0;
  if (flags & kOutOfBand) host |= MSG_OOB;
  if (flags & kPeek) host |= MSG_PEEK;
  if (flags & kDontRoute) host |= MSG_DONTROUTE;
  return host;
}

}  // namespace

int OpenIpv4(bool stream, int protocol, int* fd) {
  const int result = ::socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, protocol);
  if (result < 0) return errno;
  *fd = result;
  return 0;
}

int Connect(int fd, uint32_t address, uint16_t port) {
  sockaddr_in host{};
  host.sin_family = AF_INET;
  host.sin_port = port;
  host.sin_addr.s_addr = address;
  int result;
  do {
    result = ::connect(fd, reinterpret_cast<const sockaddr*>(&host), sizeof host);
  } while (result < 0 && errno == EINTR);
  return result < 0 ? errno : 0;
}

int Send(int fd, const void* data, size_t size, unsigned flags, size_t* sent) {
  ssize_t n;
  do {
    n = ::send(fd, data, size, HostMessageFlags(flags) | MSG_NOSIGNAL);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno;
  *sent = static_cast<size_t>(n);
  return 0;
}

int Receive(int fd, void* buffer, size_t size, unsigned flags, size_t* received) {
  ssize_t n;
  do {
    n = ::recv(fd, buffer, size, HostMessageFlags(flags));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno;
  *received = static_cast<size_t>(n);
  return 0;
}

int SetNonBlocking(int fd, bool non_blocking) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0) return errno;
  const int wanted = non_blocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
  return ::fcntl(fd, F_SETFL, wanted) < 0 ? errno : 0;
}

void Shutdown(int fd) { ::shutdown(fd, SHUT_RDWR); }

void Close(int fd) { ::close(fd); }

bool ParseIpv4(const char* text, uint32_t* address) {
  in_addr parsed{};
  if (::inet_aton(text, &parsed) == 0) return false;
  *address = parsed.s_addr;
  return true;
}

ResolveResult ResolveIpv4(const std::string& name, std::vector<uint32_t>* addresses) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* list = nullptr;
  switch (::getaddrinfo(name.c_str(), nullptr, &hints, &list)) {
    case 0: break;
    case EAI_NONAME: return ResolveResult::kNotFound;
    case EAI_AGAIN: return ResolveResult::kTryAgain;
    case EAI_NODATA:
    case EAI_ADDRFAMILY: return ResolveResult::kNoData;
    case EAI_MEMORY: return ResolveResult::kNoMemory;
    default: return ResolveResult::kFailed;
  }
  addresses->clear();
  for (const addrinfo* a = list; a; a = a->ai_next) {
    if (a->ai_family != AF_INET || a->ai_addrlen < sizeof(sockaddr_in)) continue;
    sockaddr_in in;
    std::memcpy(&in, a->ai_addr, sizeof in);
    if (std::find(addresses->begin(), addresses->end(), in.sin_addr.s_addr) == addresses->end())
      addresses->push_back(in.sin_addr.s_addr);
  }
  ::freeaddrinfo(list);
  return addresses->empty() ? ResolveResult::kNoData : ResolveResult::kResolved;
}

}  // namespace kelvane::host_sockets
