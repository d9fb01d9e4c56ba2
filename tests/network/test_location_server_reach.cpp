// The two ways the device reaches the location server: the hosts table
// (direct, origin-form request lines) and the proxy address (absolute form).
#include <ws2tcpip.h>

#include "../locserver/server_process.h"
#include "winsock_fixture.h"


namespace {

using kelvane::testing::ConnectTo;
using kelvane::testing::LoopbackAddress;
using kelvane::testing::ServerProcess;
using kelvane::testing::WinsockTest;

class LocationServerReachTest : public WinsockTest {
 protected:
  // Sends a request and reads until the peer closes (the request asks it to).
  static std::string Ask(SOCKET s, const std::string& request) {
    EXPECT_EQ(send(s, request.data(), static_cast<int>(request.size()), 0), static_cast<int>(request.size()));
    std::string answer;
    char buffer[1024];
    for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, static_cast<size_t>(n));
    closesocket(s);
    return answer;
  }
  const std::string query_ = "/cellid_location/?&cellid=40031&operatorid=1&countrycode=250&lac=7712";
  const std::string coordinates_ = "latitude=\"55.751244\" longitude=\"37.618423\"";
};

TEST_F(LocationServerReachTest, ThroughTheHostsTableWithTheServicePortForwarded) {
  ServerProcess server;
  Json::Value profile;
  profile["hosts"]["yandex.example"] = "127.0.0.1:" + std::to_string(server.port());
  profile["network"]["hostResolver"] = false;
  WriteProfile(profile);
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* list = nullptr;
  ASSERT_EQ(getaddrinfo("yandex.example", "80", &hints, &list), 0);
  const SOCKET s = socket(list->ai_family, list->ai_socktype, list->ai_protocol);
  ASSERT_EQ(connect(s, list->ai_addr, static_cast<int>(list->ai_addrlen)), 0) << WSAGetLastError();
  freeaddrinfo(list);
  const std::string answer =
      Ask(s, "GET " + query_ + " HTTP/1.1\r\nHost: yandex.example\r\nConnection: close\r\n\r\n");
  EXPECT_NE(answer.find(coordinates_), std::string::npos) << answer;
}

TEST_F(LocationServerReachTest, ThroughTheProxyAddressWithAbsoluteRequestLines) {
  ServerProcess server;
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  ASSERT_EQ(ConnectTo(s, LoopbackAddress(static_cast<uint16_t>(server.port()))), 0) << WSAGetLastError();
  const std::string answer = Ask(s, "GET http://yandex.example" + query_ +
                                        " HTTP/1.1\r\nHost: yandex.example\r\nConnection: close\r\n\r\n");
  EXPECT_NE(answer.find(coordinates_), std::string::npos) << answer;
}

}  // namespace
