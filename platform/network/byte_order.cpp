// Byte order and dotted-address conversions. They need no WSAStartup.
#include "internal/host_sockets.h"
#include "internal/winsock_state.h"

#include <cstring>

namespace {

// Network order is the byte order in memory, whatever the host's order.
uint16_t ToNetwork16(uint16_t value) {
  const uint8_t bytes[2] = {static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint16_t out;
  std::memcpy(&out, bytes, sizeof out);
  return out;
}

uint16_t FromNetwork16(uint16_t value) {
  uint8_t bytes[2];
  std::memcpy(bytes, &value, sizeof bytes);
  return static_cast<uint16_t>((bytes[0] << 8) | bytes[1]);
}

// u_long is 32 bits on the device: only the low 32 bits take part.
uint32_t ToNetwork32(uint32_t value) {
  const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                            static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  uint32_t out;
  std::memcpy(&out, bytes, sizeof out);
  return out;
}

uint32_t FromNetwork32(uint32_t value) {
  uint8_t bytes[4];
  std::memcpy(bytes, &value, sizeof bytes);
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

}  // namespace

// ---- inet_addr ----
// INADDR_NONE for text that is not an address (an empty text included).
unsigned long WSAAPI inet_addr(const char* cp) {
  uint32_t address;
  if (cp == nullptr || !kelvane::host_sockets::ParseIpv4(cp, &address)) return INADDR_NONE;
  return address;
}

// ---- htons ----
u_short WSAAPI htons(u_short hostshort) { return ToNetwork16(hostshort); }

// ---- ntohs ----
u_short WSAAPI ntohs(u_short netshort) { return FromNetwork16(netshort); }

// ---- htonl ----
u_long WSAAPI htonl(u_long hostlong) { return ToNetwork32(static_cast<uint32_t>(hostlong)); }

// ---- ntohl ----
u_long WSAAPI ntohl(u_long netlong) { return FromNetwork32(static_cast<uint32_t>(netlong)); }
