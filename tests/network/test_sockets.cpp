// socket, connect, send, recv, ioctlsocket and closesocket against a host
// listener on the loopback interface.
#include "loopback_peer.h"
#include "winsock_fixture.h"

#include <functional>
#include <thread>

namespace {

using kelvane::testing::ConnectTo;
using kelvane::testing::LoopbackAddress;
using kelvane::testing::LoopbackPeer;
using kelvane::testing::WinsockTest;

class SocketTest : public WinsockTest {
 protected:
  // A device socket connected to the peer, which has accepted it.
  SOCKET Connected() {
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(ConnectTo(s, LoopbackAddress(peer_.port())), 0) << WSAGetLastError();
    EXPECT_TRUE(peer_.Accept(2000));
    return s;
  }
  LoopbackPeer peer_;
};

TEST_F(SocketTest, ExchangesBytesAndSeesTheOrderlyClose) {
  const SOCKET s = Connected();
  const char request[] = "POST /glm/mmap HTTP/1.1\r\n";
  EXPECT_EQ(send(s, request, sizeof request - 1, 0), static_cast<int>(sizeof request - 1));
  EXPECT_EQ(peer_.Receive(sizeof request - 1, 2000), request);

  ASSERT_TRUE(peer_.Send(std::string("answer\0bytes", 12)));
  char buffer[64] = {};
  int received = 0;
  while (received < 12) {
    const int n = recv(s, buffer + received, sizeof buffer - received, 0);
    ASSERT_GT(n, 0) << WSAGetLastError();
    received += n;
  }
  EXPECT_EQ(std::string(buffer, 12), std::string("answer\0bytes", 12));

  peer_.CloseConnection();
  EXPECT_EQ(recv(s, buffer, sizeof buffer, 0), 0);
  EXPECT_EQ(closesocket(s), 0);
}

TEST_F(SocketTest, NonBlockingReceiveReportsWouldBlockUntilDataArrives) {
  const SOCKET s = Connected();
  u_long on = 1;
  ASSERT_EQ(ioctlsocket(s, FIONBIO, &on), 0);
  char buffer[16];
  SetLastError(0xdeadbeef);
  EXPECT_EQ(recv(s, buffer, sizeof buffer, 0), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

  ASSERT_TRUE(peer_.Send("late"));
  int n = SOCKET_ERROR;
  for (int i = 0; i < 200 && n == SOCKET_ERROR; ++i) {
    n = recv(s, buffer, sizeof buffer, 0);
    if (n == SOCKET_ERROR) {
      ASSERT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  EXPECT_EQ(n, 4);

  // Back to blocking: the call now waits for the peer's close.
  u_long off = 0;
  ASSERT_EQ(ioctlsocket(s, FIONBIO, &off), 0);
  peer_.CloseConnection();
  EXPECT_EQ(recv(s, buffer, sizeof buffer, 0), 0);
  closesocket(s);
}

TEST_F(SocketTest, ConnectFailuresCarryTheirWinsockErrors) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ConnectTo(s, LoopbackAddress(LoopbackPeer::UnusedPort())), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
  closesocket(s);

  Json::Value profile;
  profile["network"]["connectFails"] = true;
  WriteProfile(profile);
  const SOCKET offline = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  SetLastError(0xdeadbeef);
  EXPECT_EQ(ConnectTo(offline, LoopbackAddress(peer_.port())), SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAENETUNREACH);
  EXPECT_FALSE(peer_.Accept(50));
  closesocket(offline);
}

TEST_F(SocketTest, InvalidArgumentsAndStaleSocketsAreRefused) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_NE(s, INVALID_SOCKET);
  const SOCKET closed = socket(AF_INET, SOCK_STREAM, 0);
  closesocket(closed);
  sockaddr_in address = LoopbackAddress(peer_.port());
  sockaddr_in six = address;
  six.sin_family = AF_INET6;
  char buffer[8] = {};
  u_long on = 1;
  // socket() answers INVALID_SOCKET; the table counts that as SOCKET_ERROR.
  auto opened = [](SOCKET made) { return made == INVALID_SOCKET ? SOCKET_ERROR : 0; };
  const struct {
    const char* what;
    std::function<int()> call;
    int error;
  } cases[] = {
      {"socket AF_INET6", [&] { return opened(socket(AF_INET6, SOCK_STREAM, 0)); }, WSAEAFNOSUPPORT},
      {"socket SOCK_RAW", [&] { return opened(socket(AF_INET, SOCK_RAW, 0)); }, WSAESOCKTNOSUPPORT},
      {"socket protocol 99", [&] { return opened(socket(AF_INET, SOCK_STREAM, 99)); }, WSAEPROTONOSUPPORT},
      {"connect short name", [&] { return connect(s, reinterpret_cast<sockaddr*>(&address), 8); }, WSAEFAULT},
      {"connect null name", [&] { return connect(s, nullptr, sizeof address); }, WSAEFAULT},
      {"connect AF_INET6", [&] { return connect(s, reinterpret_cast<sockaddr*>(&six), sizeof six); }, WSAEAFNOSUPPORT},
      {"send unknown flag", [&] { return send(s, buffer, 1, 0x8000); }, WSAEOPNOTSUPP},
      {"send negative length", [&] { return send(s, buffer, -1, 0); }, WSAEFAULT},
      {"recv null buffer", [&] { return recv(s, nullptr, 4, 0); }, WSAEFAULT},
      {"recv unconnected", [&] { return recv(s, buffer, sizeof buffer, 0); }, WSAENOTCONN},
      {"ioctlsocket unknown command", [&] { return ioctlsocket(s, 0x4004667F, &on); }, WSAEINVAL},
      {"ioctlsocket null argument", [&] { return ioctlsocket(s, FIONBIO, nullptr); }, WSAEFAULT},
      {"recv closed socket", [&] { return recv(closed, buffer, sizeof buffer, 0); }, WSAENOTSOCK},
      {"send never a socket", [&] { return send(INVALID_SOCKET, buffer, 1, 0); }, WSAENOTSOCK},
      {"closesocket twice", [&] { return closesocket(closed); }, WSAENOTSOCK},
  };
  for (const auto& c : cases) {
    SetLastError(0xdeadbeef);
    EXPECT_EQ(c.call(), SOCKET_ERROR) << c.what;
    EXPECT_EQ(WSAGetLastError(), c.error) << c.what;
  }
  closesocket(s);
}

TEST_F(SocketTest, SendingToAClosedPeerFailsWithResetInsteadOfKillingTheProcess) {
  const SOCKET s = Connected();
  peer_.CloseConnection();
  int result = 0;
  for (int i = 0; i < 100 && result != SOCKET_ERROR; ++i) {
    result = send(s, "0123456789", 10, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  EXPECT_EQ(result, SOCKET_ERROR);
  EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
  closesocket(s);
}

TEST_F(SocketTest, ClosesocketEndsACallBlockedOnAnotherThread) {
  const SOCKET s = Connected();
  int result = 1;
  std::thread reader([&] {
    char buffer[8];
    result = recv(s, buffer, sizeof buffer, 0);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(closesocket(s), 0);
  reader.join();
  EXPECT_LE(result, 0);
}

}  // namespace
