// NMEA over TCP: a port's output served on a listening socket to any number
// of clients, none of which can hold up the device or the others.
#include "devmgr/port_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

using kelvane::testing::PortTest;

std::string Line(int i) { return "$GPGGA," + std::to_string(i) + ",5530.0000,N,03730.0000,E,1,08,1.0,150.0,M*00\r\n"; }

class TcpBridgeTest : public PortTest {
 protected:
  void SetUp() override {
    PortTest::SetUp();
    Json::Value bridge;
    bridge["name"] = "COM5:";
    bridge["kind"] = "tcp";
    bridge["port"] = 0;  // any free port; the bridge publishes the one it took
    Json::Value profile;
    profile["bridges"].append(bridge);
    SetUpDevice(profile);
    ASSERT_NE(Activate(5), INVALID_HANDLE_VALUE);
    program = OpenPort(L"COM5:");
    ASSERT_NE(program, INVALID_HANDLE_VALUE) << GetLastError();
    std::string address;
    std::ifstream(root() / "dev" / "COM5.tcp") >> address;
    ASSERT_EQ(address.rfind("127.0.0.1:", 0), 0u) << address;
    port = static_cast<uint16_t>(std::stoi(address.substr(10)));
  }
  void TearDown() override {
    CloseHandle(program);
    PortTest::TearDown();
  }
  // A connected client; `receive_buffer` > 0 makes it a small one.
  int Connect(int receive_buffer = 0) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (receive_buffer > 0) setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive_buffer, sizeof receive_buffer);
    sockaddr_in at = {};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
    return fd;
  }
  // Reads until `count` bytes came or nothing came for a second.
  static std::string ReadFrom(int fd, size_t count) {
    std::string out;
    char buffer[4096];
    while (out.size() < count) {
      pollfd p = {fd, POLLIN, 0};
      if (poll(&p, 1, 1000) != 1) break;
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      out.append(buffer, static_cast<size_t>(n));
    }
    return out;
  }
  static int OpenDescriptors() {
    int n = 0;
    for (auto it = std::filesystem::directory_iterator("/proc/self/fd"); it != std::filesystem::directory_iterator();
         ++it)
      ++n;
    return n;
  }
  HANDLE program = INVALID_HANDLE_VALUE;
  uint16_t port = 0;
};

TEST_F(TcpBridgeTest, ClientsReadTheSameStreamInFullWhileOneNeverReads) {
  const int first = Connect(), second = Connect(), idle = Connect(2048);
  Sleep(2000);  // device time: the bridge has taken the three
  const int count = 600;
  std::string expected;
  for (int i = 0; i < count; ++i) expected += Line(i);
  std::string got_first, got_second;
  std::thread reader_first([&] { got_first = ReadFrom(first, expected.size()); });
  std::thread reader_second([&] { got_second = ReadFrom(second, expected.size()); });
  for (int i = 0; i < count; ++i) {
    // Every write is taken at once: the idle client holds nothing up.
    ASSERT_EQ(Write(program, Line(i)), static_cast<long>(Line(i).size())) << i;
    if (i % 20 == 19) Sleep(100);
  }
  reader_first.join();
  reader_second.join();
  EXPECT_EQ(got_first, expected);
  EXPECT_EQ(got_second, expected);

  // The idle client lost its oldest lines, whole, and still gets the newest.
  const std::string idle_got = ReadFrom(idle, expected.size());
  EXPECT_LT(idle_got.size(), expected.size());
  ASSERT_GE(idle_got.size(), Line(count - 1).size());
  EXPECT_EQ(idle_got.substr(idle_got.size() - Line(count - 1).size()), Line(count - 1));
  for (size_t at = 0; at < idle_got.size(); at = idle_got.find('\n', at) + 1)
    ASSERT_EQ(idle_got.compare(at, 7, "$GPGGA,"), 0) << "a torn line at " << at;
  for (int fd : {first, second, idle}) close(fd);
}

TEST_F(TcpBridgeTest, AClientGetsWholeLinesFromWhenItConnects) {
  ASSERT_EQ(Write(program, Line(1)), static_cast<long>(Line(1).size()));
  ASSERT_EQ(Write(program, "$GPGGA,2,"), 9);  // the start of a line, before the client came
  Sleep(400);
  const int client = Connect();
  Sleep(1000);
  ASSERT_EQ(Write(program, "rest*00\r\n"), 9);
  ASSERT_EQ(Write(program, Line(3)), static_cast<long>(Line(3).size()));
  // The line under way when it connected is whole, and the older one absent.
  EXPECT_EQ(ReadFrom(client, 18 + Line(3).size()), "$GPGGA,2,rest*00\r\n" + Line(3));
  close(client);
}

TEST_F(TcpBridgeTest, ClientsThatGoAwayLeaveNothingBehind) {
  const int client = Connect();
  Sleep(1000);
  const int before = OpenDescriptors();
  for (int i = 0; i < 20; ++i) close(Connect());
  Sleep(1000);
  ASSERT_EQ(Write(program, Line(0)), static_cast<long>(Line(0).size()));
  EXPECT_EQ(ReadFrom(client, Line(0).size()), Line(0));
  EXPECT_EQ(OpenDescriptors(), before);
  close(client);
}

TEST_F(TcpBridgeTest, DeactivationClosesTheSocketAndRemovesItsAddress) {
  EXPECT_TRUE(std::filesystem::exists(root() / "dev" / "COM5.tcp"));
  const int client = Connect();
  TearDownActivations();
  EXPECT_FALSE(std::filesystem::exists(root() / "dev" / "COM5.tcp"));
  // The end of the stream, not a silence: the socket turns readable with nothing to read.
  pollfd p = {client, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 5000), 1) << "the socket stayed open";
  char byte;
  EXPECT_EQ(read(client, &byte, 1), 0);
  close(client);
}

TEST_F(PortTest, BadBridgeEntriesAreReportedAndTheOthersServe) {
  Json::Value profile;
  Json::Value& bridges = profile["bridges"];
  bridges.append(7);
  bridges.append(Json::Value(Json::objectValue));
  bridges[1]["name"] = "COM5:";
  bridges[1]["kind"] = "serial";
  bridges.append(bridges[1]);
  bridges[2]["kind"] = "tcp";
  bridges[2]["address"] = "localhost";
  bridges.append("COM5:");
  SetUpDevice(profile);
  ::testing::internal::CaptureStderr();
  ASSERT_NE(Activate(5), INVALID_HANDLE_VALUE);
  HANDLE program = OpenPort(L"COM5:");
  const std::string errors = ::testing::internal::GetCapturedStderr();
  ASSERT_NE(program, INVALID_HANDLE_VALUE);
  for (const char* text : {"\"bridges[0]\" must be a port name or an object",
                           "\"bridges[1].kind\" must be \"pty\" or \"tcp\"", "\"localhost\" is no IPv4 address"})
    EXPECT_NE(errors.find(text), std::string::npos) << text << "\n" << errors;
  EXPECT_TRUE(std::filesystem::is_symlink(root() / "dev" / "COM5"));
  EXPECT_FALSE(std::filesystem::exists(root() / "dev" / "COM5.tcp"));
  CloseHandle(program);
}

// The bridge's own open of the port goes when it cannot start: closed once,
// as the driver must see every open closed.
TEST_F(PortTest, ABridgeWithoutAnyOutletClosesItsOpenOnce) {
  Json::Value bridge;
  bridge["name"] = "COM5:";
  bridge["kind"] = "tcp";
  bridge["address"] = "localhost";  // no IPv4 address: the only outlet fails
  Json::Value profile;
  profile["bridges"].append(bridge);
  SetUpDevice(profile);
  ASSERT_NE(Activate(5, L"countdrv.dll"), INVALID_HANDLE_VALUE);
  HMODULE driver = LoadLibraryW(L"countdrv.dll");
  ASSERT_NE(driver, nullptr);
  const LONG* closes = reinterpret_cast<const LONG*>(GetProcAddressW(driver, L"g_closes"));
  ASSERT_NE(closes, nullptr);
  ::testing::internal::CaptureStderr();
  HANDLE program = OpenPort(L"COM5:");
  ::testing::internal::GetCapturedStderr();
  ASSERT_NE(program, INVALID_HANDLE_VALUE);
  EXPECT_EQ(*closes, 1);
  CloseHandle(program);
  EXPECT_EQ(*closes, 2);
  FreeLibrary(driver);
}

}  // namespace
