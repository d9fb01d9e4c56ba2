// getaddrinfo: the profile's hosts table before the host resolver, the
// forwarded port, and the failure codes.
#include <ws2tcpip.h>

#include "loopback_peer.h"
#include "winsock_fixture.h"

#include <cstring>

namespace {

using kelvane::testing::LoopbackPeer;
using kelvane::testing::WinsockTest;

class NameResolutionTest : public WinsockTest {
 protected:
  void UseHosts(const Json::Value& hosts, bool resolver = true) {
    Json::Value profile;
    profile["hosts"] = hosts;
    profile["network"]["hostResolver"] = resolver;
    WriteProfile(profile);
  }
  static addrinfo StreamHints() {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    return hints;
  }
  // The first address of a successful lookup, as "a.b.c.d:port".
  static std::string First(const addrinfo* list) {
    sockaddr_in in;
    std::memcpy(&in, list->ai_addr, sizeof in);
    const auto* b = reinterpret_cast<const unsigned char*>(&in.sin_addr.s_addr);
    return std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
           std::to_string(b[3]) + ":" + std::to_string(ntohs(in.sin_port));
  }
};

TEST_F(NameResolutionTest, HostsTableComesBeforeTheResolverAndIgnoresCase) {
  Json::Value hosts;
  hosts["LocalHost"] = "127.0.0.2";
  UseHosts(hosts);
  const addrinfo hints = StreamHints();
  addrinfo* list = nullptr;
  ASSERT_EQ(getaddrinfo("localhost", "80", &hints, &list), 0);
  EXPECT_EQ(First(list), "127.0.0.2:80");
  EXPECT_EQ(list->ai_family, AF_INET);
  EXPECT_EQ(list->ai_socktype, SOCK_STREAM);
  EXPECT_EQ(list->ai_protocol, IPPROTO_TCP);
  EXPECT_EQ(list->ai_addrlen, sizeof(sockaddr_in));
  EXPECT_EQ(list->ai_next, nullptr);
  freeaddrinfo(list);

  // Without the entry the host resolver answers.
  UseHosts(Json::Value(Json::objectValue));
  ASSERT_EQ(getaddrinfo("localhost", "80", &hints, &list), 0);
  EXPECT_EQ(First(list), "127.0.0.1:80");
  freeaddrinfo(list);
}

TEST_F(NameResolutionTest, AnEntryWithAPortForwardsTheServiceThereAndConnects) {
  LoopbackPeer peer;
  Json::Value hosts;
  hosts["www.google.com"] = "127.0.0.1:" + std::to_string(peer.port());
  UseHosts(hosts, false);
  const addrinfo hints = StreamHints();
  addrinfo* list = nullptr;
  ASSERT_EQ(getaddrinfo("www.google.com", "80", &hints, &list), 0);
  EXPECT_EQ(First(list), "127.0.0.1:" + std::to_string(peer.port()));
  const SOCKET s = socket(list->ai_family, list->ai_socktype, list->ai_protocol);
  EXPECT_EQ(connect(s, list->ai_addr, static_cast<int>(list->ai_addrlen)), 0) << WSAGetLastError();
  EXPECT_TRUE(peer.Accept(2000));
  closesocket(s);
  freeaddrinfo(list);
}

TEST_F(NameResolutionTest, FailuresReturnTheirCodeAndLeaveItAsTheLastError) {
  Json::Value hosts;
  hosts["broken.example"] = "not-an-address";
  hosts["badport.example"] = "127.0.0.1:99999";
  UseHosts(hosts, false);
  addrinfo hints = StreamHints();
  addrinfo numeric = StreamHints();
  numeric.ai_flags = AI_NUMERICHOST;
  addrinfo six = StreamHints();
  six.ai_family = AF_INET6;
  addrinfo raw = StreamHints();
  raw.ai_socktype = SOCK_RAW;
  addrinfo odd_flags = StreamHints();
  odd_flags.ai_flags = 0x100;
  addrinfo canonical_without_name = StreamHints();
  canonical_without_name.ai_flags = AI_CANONNAME;
  const struct {
    const char* node;
    const char* service;
    const addrinfo* hints;
    int error;
  } cases[] = {
      {"unknown.example", "80", &hints, WSAHOST_NOT_FOUND},
      {"broken.example", "80", &hints, WSANO_RECOVERY},
      {"badport.example", "80", &hints, WSANO_RECOVERY},
      {"www.google.com", "80", &numeric, EAI_NONAME},
      {"127.0.0.1", "80", &six, EAI_FAMILY},
      {"127.0.0.1", "80", &raw, EAI_SOCKTYPE},
      {"127.0.0.1", "80", &odd_flags, EAI_BADFLAGS},
      {nullptr, "80", &canonical_without_name, EAI_BADFLAGS},
      {"127.0.0.1", "http", &hints, EAI_SERVICE},
      {"127.0.0.1", "65536", &hints, EAI_SERVICE},
      {"127.0.0.1", "", &hints, EAI_SERVICE},
      {nullptr, nullptr, &hints, EAI_NONAME},
  };
  for (const auto& c : cases) {
    addrinfo* list = reinterpret_cast<addrinfo*>(0x1);
    SetLastError(0xdeadbeef);
    EXPECT_EQ(getaddrinfo(c.node, c.service, c.hints, &list), c.error) << (c.node ? c.node : "(null)");
    EXPECT_EQ(WSAGetLastError(), c.error) << (c.node ? c.node : "(null)");
    EXPECT_EQ(list, nullptr);
  }
  SetLastError(0xdeadbeef);
  EXPECT_EQ(getaddrinfo("127.0.0.1", "80", &hints, nullptr), WSA_INVALID_PARAMETER);
}

TEST_F(NameResolutionTest, NumericAndNullNodesNeedNoTableAndCanonicalNameIsKept) {
  UseHosts(Json::Value(Json::objectValue), false);
  addrinfo* list = nullptr;
  ASSERT_EQ(getaddrinfo("10.1.2.3", "8080", nullptr, &list), 0);
  EXPECT_EQ(First(list), "10.1.2.3:8080");
  EXPECT_EQ(list->ai_socktype, 0);
  freeaddrinfo(list);

  addrinfo passive{};
  passive.ai_flags = AI_PASSIVE;
  ASSERT_EQ(getaddrinfo(nullptr, "80", &passive, &list), 0);
  EXPECT_EQ(First(list), "0.0.0.0:80");
  freeaddrinfo(list);
  ASSERT_EQ(getaddrinfo(nullptr, "80", nullptr, &list), 0);
  EXPECT_EQ(First(list), "127.0.0.1:80");
  freeaddrinfo(list);

  Json::Value hosts;
  hosts["Cell.Example"] = "192.0.2.7";
  UseHosts(hosts, false);
  addrinfo canonical{};
  canonical.ai_flags = AI_CANONNAME;
  ASSERT_EQ(getaddrinfo("cell.example", nullptr, &canonical, &list), 0);
  ASSERT_NE(list->ai_canonname, nullptr);
  EXPECT_STREQ(list->ai_canonname, "cell.example");
  EXPECT_EQ(First(list), "192.0.2.7:0");
  freeaddrinfo(list);
  freeaddrinfo(nullptr);
}

}  // namespace
