// A fresh device with the socket library started for the test's duration, and
// helpers that turn host-order values into the SDK structures.
#ifndef KELVANE_TESTS_NETWORK_WINSOCK_FIXTURE_H
#define KELVANE_TESTS_NETWORK_WINSOCK_FIXTURE_H

#include <winsock2.h>

#include "support/device_fixture.h"

namespace kelvane::testing {

class WinsockTest : public DeviceTest {
 protected:
  void SetUp() override {
    DeviceTest::SetUp();
    WSADATA data;
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  }
  void TearDown() override {
    WSACleanup();
    DeviceTest::TearDown();
  }
};

inline sockaddr_in LoopbackAddress(uint16_t port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(port);
  address.sin_addr.s_addr = inet_addr("127.0.0.1");
  return address;
}

inline int ConnectTo(SOCKET s, const sockaddr_in& address) {
  return connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address);
}

}  // namespace kelvane::testing

#endif
