// The host's BSD sockets behind neutral types. The device's Winsock sources
// see the SDK's structures and these calls; host_sockets.cpp alone sees the
// host's structures, so the two sets of declarations (same names, other
// layouts) never meet in one source file.
//
// Addresses and ports are in network byte order. Calls return 0 or the host
// errno value of the failure.
#ifndef KELVANE_PLATFORM_HOST_SOCKETS_H
#define KELVANE_PLATFORM_HOST_SOCKETS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kelvane::host_sockets {

// Message flags, with the Winsock meanings.
enum MessageFlag : unsigned { kOutOfBand = 1, kPeek = 2, kDontRoute = 4 };

int OpenIpv4(bool stream, int protocol, int* fd);
int Connect(int fd, uint32_t address, uint16_t port);
// Never raises SIGPIPE: a peer that has gone away is an error result.
int Send(int fd, const void* data, size_t size, unsigned flags, size_t* sent);
int Receive(int fd, void* buffer, size_t size, unsigned flags, size_t* received);
int SetNonBlocking(int fd, bool non_blocking);
// Ends both directions, so a call blocked on the socket in another thread returns.
void Shutdown(int fd);
void Close(int fd);

// Dotted IPv4 text in the forms inet_addr accepts (a.b.c.d, a.b.c, a.b, a;
// decimal, octal or hexadecimal parts).
bool ParseIpv4(const char* text, uint32_t* address);

enum class ResolveResult { kResolved, kNotFound, kTryAgain, kFailed, kNoData, kNoMemory };
// The host resolver's IPv4 addresses for a name, each once, in its order.
ResolveResult ResolveIpv4(const std::string& name, std::vector<uint32_t>* addresses);

}  // namespace kelvane::host_sockets

#endif
