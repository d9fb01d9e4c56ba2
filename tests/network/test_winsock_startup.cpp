// WSAStartup and WSACleanup: version agreement, the profile's refusal, and
// the calls that need a started library.
#include <ws2tcpip.h>

#include "winsock_fixture.h"

namespace {

using kelvane::testing::DeviceTest;
class WinsockStartupTest : public DeviceTest {};

TEST_F(WinsockStartupTest, AgreesOnVersionsFrom1_1AndOffersAtMost2_2) {
  struct Case {
    WORD requested;
    int result;
    WORD agreed;
  };
  const Case cases[] = {
      {MAKEWORD(2, 2), 0, MAKEWORD(2, 2)},  {MAKEWORD(1, 1), 0, MAKEWORD(1, 1)},
      {MAKEWORD(2, 0), 0, MAKEWORD(2, 0)},  {MAKEWORD(3, 1), 0, MAKEWORD(2, 2)},
      {MAKEWORD(1, 0), WSAVERNOTSUPPORTED, 0}, {MAKEWORD(0, 9), WSAVERNOTSUPPORTED, 0},
  };
  for (const Case& c : cases) {
    WSADATA data;
    SetLastError(0xdeadbeef);
    ASSERT_EQ(WSAStartup(c.requested, &data), c.result) << std::hex << c.requested;
    // WSAStartup answers with its result, never through the last error.
    EXPECT_EQ(GetLastError(), 0xdeadbeefu);
    if (c.result != 0) continue;
    EXPECT_EQ(data.wVersion, c.agreed) << std::hex << c.requested;
    EXPECT_EQ(data.wHighVersion, MAKEWORD(2, 2));
    EXPECT_EQ(WSACleanup(), 0);
  }
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), nullptr), WSAEFAULT);
}

TEST_F(WinsockStartupTest, ProfileMakesStartupFailAndTheLibraryStaysUnusable) {
  Json::Value profile;
  profile["network"]["wsaStartupFails"] = true;
  WriteProfile(profile);
  WSADATA data;
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WSAStartup(MAKEWORD(2, 2), &data), WSASYSNOTREADY);
  EXPECT_EQ(GetLastError(), 0xdeadbeefu);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), INVALID_SOCKET);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
}

TEST_F(WinsockStartupTest, CallsBeforeStartupAndAfterTheLastCleanupFailNotInitialised) {
  addrinfo* list = reinterpret_cast<addrinfo*>(0x1);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(getaddrinfo("localhost", "80", nullptr, &list), WSANOTINITIALISED);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);

  // Two users: the socket survives the first cleanup, not the last.
  WSADATA data;
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_NE(s, INVALID_SOCKET);
  EXPECT_EQ(WSACleanup(), 0);
  u_long on = 1;
  EXPECT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
  EXPECT_EQ(WSACleanup(), 0);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(closesocket(s), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
  ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(closesocket(s), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
  EXPECT_EQ(WSACleanup(), 0);
}

}  // namespace
