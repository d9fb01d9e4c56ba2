// Byte order, inet_addr and the SDK layouts the program fills by hand.
#include <ws2tcpip.h>

#include "support/device_fixture.h"

#include <cstddef>
#include <cstring>

namespace {

// Layouts as the device's SDK declares them.
static_assert(sizeof(in_addr) == 4, "in_addr");
static_assert(sizeof(sockaddr) == 16, "sockaddr");
static_assert(sizeof(sockaddr_in) == 16, "sockaddr_in");
static_assert(offsetof(sockaddr_in, sin_port) == 2 && offsetof(sockaddr_in, sin_addr) == 4, "sockaddr_in");
static_assert(offsetof(addrinfo, ai_canonname) < offsetof(addrinfo, ai_addr), "SDK order of addrinfo");
static_assert(offsetof(WSADATA, szDescription) == 4 && offsetof(WSADATA, szSystemStatus) == 261 &&
                  offsetof(WSADATA, iMaxSockets) == 390,
              "WSADATA");
static_assert(FIONBIO == 0x8004667E, "FIONBIO");
static_assert(WSAEWOULDBLOCK == 10035 && WSAECONNREFUSED == 10061 && WSAHOST_NOT_FOUND == 11001, "errors");

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

TEST(ByteOrderTest, NetworkOrderIsBigEndianInMemory) {
  const u_short port = htons(0x1234);
  EXPECT_EQ(Bytes(&port, 2), "\x12\x34");
  EXPECT_EQ(ntohs(port), 0x1234);
  const uint32_t address = static_cast<uint32_t>(htonl(0x7f000001));
  EXPECT_EQ(Bytes(&address, 4), std::string("\x7f\x00\x00\x01", 4));
  EXPECT_EQ(ntohl(address), 0x7f000001u);
  // u_long is 32 bits on the device: higher bits take no part.
  EXPECT_EQ(htonl(0x100000001ul), htonl(1));
}

TEST(ByteOrderTest, InetAddrAcceptsTheDottedFormsAndRefusesTheRest) {
  const struct {
    const char* text;
    const char* bytes;  // nullptr: INADDR_NONE
  } cases[] = {
      {"127.0.0.1", "\x7f\x00\x00\x01"}, {"10.1", "\x0a\x00\x00\x01"},  {"0x7f.1", "\x7f\x00\x00\x01"},
      {"192.168.1.300", nullptr},        {"1.2.3.4.5", nullptr},         {"proxy.example", nullptr},
      {"", nullptr},                     {nullptr, nullptr},
  };
  for (const auto& c : cases) {
    const unsigned long result = inet_addr(c.text);
    if (c.bytes == nullptr) {
      EXPECT_EQ(result, INADDR_NONE) << (c.text ? c.text : "(null)");
      continue;
    }
    const uint32_t address = static_cast<uint32_t>(result);
    EXPECT_EQ(Bytes(&address, 4), std::string(c.bytes, 4)) << c.text;
  }
}

}  // namespace
